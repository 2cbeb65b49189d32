#pragma once

#include "output/upload_request.h"

#include <QString>

namespace waytrace {

struct UploadResult
{
    QString landing;      // where the upload landed, as the main window reads it
    QString eventAddress; // the address its completion event named
};

// Sends the request through the program's own upload channel and waits for its landing. Runs
// its own event loop; needs no display.
UploadResult uploadThroughChannel(const UploadRequest& request);

} // namespace waytrace
