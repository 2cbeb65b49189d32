#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QWidget;

namespace waytrace {

// What the windows need of an embedded browser: a few operations and the events that drive the
// recorder. Every event is raised on the UI thread and delivered directly, so handlers can answer
// through the reference arguments (cancel, the browser for a new window) before the browser
// goes on. Sizes are in twips.
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

    // Handed back through newWindow2 so that the new page opens in this browser.
    Browser* application() { return this; }

    // Address of the document shown now, error pages included.
    [[nodiscard]] virtual QString documentUrl() const = 0;
    // Address of the current page.
    [[nodiscard]] virtual QString locationUrl() const = 0;

    // What shows the pages, for a window to place; null for a browser that shows nothing.
    [[nodiscard]] virtual QWidget* widget() const { return nullptr; }

    [[nodiscard]] virtual int width() const = 0;
    [[nodiscard]] virtual int height() const = 0;
    virtual void setWidth(int twips) = 0;
    virtual void setHeight(int twips) = 0;

signals:
    // Before every request of the top page or a frame. `postData` is the body followed by one
    // terminating byte, empty when there is no body; `headers` is the extra header text.
    void beforeNavigate2(const QString& url, const QString& headers, const QByteArray& postData,
                         bool& cancel);
    // A page asks for a new window; a handler sets `ppDisp` to the browser that shows it.
    void newWindow2(waytrace::Browser*& ppDisp, bool& cancel);
    void navigateComplete2(const QString& url);
    // The top page or a frame has finished loading.
    void documentComplete(const QString& url);
    void downloadComplete();
    void onQuit();
    // A page closes its window; cancel keeps the browser.
    void windowClosing(bool isChildWindow, bool& cancel);
    // The user logged in to `url` and wants the sequence to log in with the same credentials.
    void credentialsEntered(const QString& url, const QString& userName, const QString& password);
};

} // namespace waytrace
