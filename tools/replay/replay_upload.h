#pragma once

#include "output/upload_request.h"

#include <QString>

namespace waytrace {

// Sends the request through the program's own upload channel and returns where it landed. Runs
// its own event loop; needs no display.
QString uploadThroughChannel(const UploadRequest& request);

} // namespace waytrace
