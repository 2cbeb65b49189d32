#pragma once

#include <QObject>

#include <functional>

namespace waytrace {

class Browser;
class UploadChannel;

// Makes the browsers the windows hold and the upload channel, so the program can give them the
// real engine and network and tests scripted ones. Each is owned by `owner`.
struct BrowserFactory
{
    // A browser that shows pages: the main window's and the popup window's. Its widget() goes
    // into the window.
    std::function<Browser*(QObject* owner)> pageBrowser;
    // What sends the upload.
    std::function<UploadChannel*(QObject* owner)> uploadChannel;
};

} // namespace waytrace
