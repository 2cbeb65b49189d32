#pragma once

#include "navigation_request.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace waytrace {

// What the windows need of an embedded browser: a few operations and the events that drive the
// recorder. Every event is raised on the UI thread and delivered directly, so handlers can answer
// through the request object (cancel, the browser for a new window) before the browser goes on.
// Sizes are in twips.
class Browser : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Loads the address as given: no prefix added, nothing trimmed.
    virtual void navigate(const QString& url) = 0;
    // Sends a request with exactly these body bytes and header lines (each ending with CR LF).
    virtual void navigate(const QString& url, const QByteArray& postData,
                          const QString& headers) = 0;

    // Address of the current page.
    [[nodiscard]] virtual QString locationUrl() const = 0;

    // What shows the pages, for a window to place; null for a browser that shows nothing.
    [[nodiscard]] virtual QWidget* widget() const { return nullptr; }

    // The commands of a browser's history and loading, as its keys give them.
    enum class Command
    {
        Back,
        Forward,
        Reload,
        Stop,
    };
    virtual void run(Command command) = 0;

    // Runs `then` once no body this browser or a window it opened went by with is still to be
    // confirmed (requestBodyConfirmed): what is saved, exported or run holds the bodies as sent.
    virtual void whenBodiesConfirmed(std::function<void()> then) { then(); }

    [[nodiscard]] virtual int width() const = 0;
    [[nodiscard]] virtual int height() const = 0;
    virtual void setWidth(int twips) = 0;
    virtual void setHeight(int twips) = 0;

signals:
    // Before every request of the top page or a frame.
    void beforeNavigate2(waytrace::NavigationRequest& request);
    // The browser tells, after a request went by with a body its page reported, the body it
    // really sent: `request` has the id of that request and the body as sent.
    void requestBodyConfirmed(const waytrace::NavigationRequest& request);
    // A page asks for a new window.
    void newWindow2(waytrace::NewWindowRequest& request);
    // The user opens the page's context menu.
    void pageMenu(waytrace::PageMenuRequest& request);
    void navigateComplete2(const QString& url);
    // How far the top page has loaded: 0 when a load starts, 100 when it ends, however it ends.
    void loadProgress(int percent);
    // The top page or a frame has finished loading.
    void documentComplete(const QString& url);
    // The top page as it shows once loaded: its status (0 when not known), address and HTML
    // (the start of it), for the step that led to it.
    void pageShown(int status, const QString& url, const QString& html);
    void downloadComplete();
    void onQuit();
    // A page closes its window.
    void windowClosing(waytrace::WindowClosingRequest& request);
    // A page is sending a form whose password inputs have these names.
    void passwordFieldsSent(const QStringList& names);
    // The user logged in to `url` and wants the sequence to log in with the same credentials.
    void credentialsEntered(const QString& url, const QString& userName, const QString& password);
};

} // namespace waytrace
