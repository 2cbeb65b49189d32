#pragma once

#include <QList>
#include <QPointer>
#include <QUrl>

#include <functional>

namespace waytrace {

class Browser;

// Whose request the engine's interceptor sees, and whether it is the follow-up of a server's
// redirect rather than a request the page made. The engine names neither: its pages announce
// what they are about to load (with the engine's word whether it is a redirect), the
// interceptor then sees the request with a type of its own, and frames report their navigations
// and loaded documents through the capture script. Each announcement stays good for a while,
// since a request may never come.
class RequestAttribution
{
public:
    // Milliseconds since some fixed point; the wall clock unless a test sets its own.
    using Clock = std::function<qint64()>;

    RequestAttribution();
    explicit RequestAttribution(Clock clock);

    // A browser of the session, in the order they were made; a request nobody announced is the
    // first's.
    void addBrowser(Browser* browser);
    // A page is about to start a navigation to `url`: its request is this browser's. The page
    // is told of a redirect, a server's or a client's, as `redirect`.
    void expectRequest(Browser* browser, const QUrl& url, bool redirect = false);
    // A browser took over a new window; its first request may come before the page knows it.
    void expectNewWindow(Browser* browser);

    // Whose request the interceptor sees, and whether the page was told of it as a redirect.
    struct Source
    {
        Browser* browser = nullptr;
        bool toldRedirect = false;
    };
    [[nodiscard]] Source takeRequest(const QUrl& url, bool mainFrame);

    // Whether a navigation request is the follow-up of a server's redirect rather than one the
    // page made. `clientRedirect` is the interceptor's own word that the request is a client
    // redirect (a meta refresh, a script navigation during load).
    [[nodiscard]] bool isServerRedirect(const Source& source, const QUrl& url, bool mainFrame,
                                        bool clientRedirect);

    // A browser's top frame sent a request; until its document is created (or the load ends
    // without one), a request typed as a client redirect is that request's server redirect.
    void topRequestSent(Browser* browser);
    void topRequestEnded(Browser* browser);

    // A frame's request went out (or was redirected to `url`).
    void frameRequestSent(Browser* browser, const QUrl& url, bool redirected);
    // A frame's document told the capture script that it navigates to `url`.
    void frameNavigated(Browser* browser, const QUrl& url);
    // A frame's document at `url` has loaded.
    void frameDocumentLoaded(Browser* browser, const QUrl& url);

private:
    struct Expected
    {
        QPointer<Browser> browser;
        QUrl url;
        qint64 at = 0;
        bool redirect = false;
    };

    // Notes about frames last a few seconds: a frame's request may never get a document.
    void dropStaleFrameNotes();
    [[nodiscard]] bool stale(const Expected& entry) const;

    Clock clock_;
    QList<QPointer<Browser>> browsers_;
    QList<Expected> expected_;
    QList<Expected> frameNavigations_; // told to the page of a frame by its document
    QList<Expected> frameRequests_;    // sent for a frame whose document has not loaded yet
    QPointer<Browser> newWindow_;
    QList<QPointer<Browser>> awaitingTopDocument_;
};

} // namespace waytrace
