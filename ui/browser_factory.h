#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace waytrace {

class AcceptedCertificates;
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
    // The certificates the user lets through in these browsers, for the test run to accept
    // too; none for scripted browsers.
    std::shared_ptr<const AcceptedCertificates> acceptedCertificates;
};

} // namespace waytrace
