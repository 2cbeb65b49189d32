#pragma once

#include "ui/browser_factory.h"

#include <memory>

namespace waytrace {

class WebEngineSession;

// The program's browsers: the main and the popup window show pages on the real engine, in one
// shared session; the upload goes out through the upload channel.
BrowserFactory engineBrowsers(std::shared_ptr<WebEngineSession> session);

} // namespace waytrace
