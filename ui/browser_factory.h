#pragma once

#include <QObject>

#include <functional>

namespace waytrace {

class Browser;

// Makes the browsers the windows hold, so the program can give them the real engine and tests
// a scripted one. Each browser is owned by `owner`.
struct BrowserFactory
{
    // A browser that shows pages: the main window's and the popup window's. Its widget() goes
    // into the window.
    std::function<Browser*(QObject* owner)> pageBrowser;
    // The hidden browser that sends the upload.
    std::function<Browser*(QObject* owner)> uploadBrowser;
};

} // namespace waytrace
