#pragma once

#include "navigation/navigation_queue.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QWebEngineProfile;

namespace waytrace {

class WebEngineBrowser;
class RequestInterceptor;

// What the main and the popup browser share: one off-the-record profile (nothing is written to
// disk, and the popup sees the main browser's cookies), the request interceptor and the
// capture script. Browsers hold the session by shared pointer, so the profile goes only after
// the last of their pages, as the engine requires.
class WebEngineSession : public QObject
{
    Q_OBJECT

public:
    // Needs a QApplication.
    static std::shared_ptr<WebEngineSession> create();
    ~WebEngineSession() override;

    WebEngineSession(const WebEngineSession&) = delete;
    WebEngineSession& operator=(const WebEngineSession&) = delete;

    [[nodiscard]] QWebEngineProfile* profile() const { return profile_.get(); }
    [[nodiscard]] NavigationQueue& queue() { return queue_; }

    // The engine's side, used by the browsers and the interceptor.
    void addBrowser(WebEngineBrowser* browser);
    // A page is about to start a navigation to `url`: its request is this browser's. The page
    // is told of a redirect, a server's or a client's, as `redirect`.
    void expectRequest(WebEngineBrowser* browser, const QUrl& url, bool redirect = false);
    // A browser took over a new window; its first request may come before the page knows it.
    void expectNewWindow(WebEngineBrowser* browser);

    // Whose request the interceptor sees, and whether the page was told of it as a redirect.
    struct RequestSource
    {
        WebEngineBrowser* browser = nullptr;
        bool toldRedirect = false;
    };
    [[nodiscard]] RequestSource takeRequest(const QUrl& url, bool mainFrame);
    // A frame's request went out (or was redirected to `url`).
    void frameRequestSent(WebEngineBrowser* browser, const QUrl& url, bool redirected);

    // Whether a navigation request is the follow-up of a server's redirect rather than one the
    // page made. `clientRedirect` is the interceptor's own word that the request is a client
    // redirect (a meta refresh, a script navigation during load).
    [[nodiscard]] bool isServerRedirect(const RequestSource& source, const QUrl& url,
                                        bool mainFrame, bool clientRedirect);
    // A console message of a page: returns whether it came from the capture script.
    bool captureMessage(WebEngineBrowser* browser, const QString& message);

private:
    WebEngineSession();

    void frameDocumentLoaded(WebEngineBrowser* browser, const QString& url);
    void frameNavigated(WebEngineBrowser* browser, const QUrl& url);
    // Notes about frames last a few seconds: a frame's request may never get a document.
    void dropStaleFrameNotes();

    struct Expected
    {
        QPointer<WebEngineBrowser> browser;
        QUrl url;
        qint64 at = 0;
        bool redirect = false;
    };

    QString secret_;
    NavigationQueue queue_;
    std::unique_ptr<RequestInterceptor> interceptor_;
    std::unique_ptr<QWebEngineProfile> profile_;
    QList<QPointer<WebEngineBrowser>> browsers_;
    QList<Expected> expected_;
    QList<Expected> frameNavigations_; // told to the page of a frame by its document
    QList<Expected> frameRequests_;    // sent for a frame whose document has not loaded yet
    QPointer<WebEngineBrowser> newWindow_;
};

} // namespace waytrace
