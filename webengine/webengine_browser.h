#pragma once

#include "browser/browser.h"
#include "webengine_session.h"

#include <QDeadlineTimer>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineView;
class QWidget;

namespace waytrace {

class BodySource;

// A browser on the engine, for the main and the popup window. All browsers of one session share
// its profile. The browser owns its view and page; a window places the view with widget() and
// may reparent it. Events:
// - beforeNavigate2: every request of the top page or a frame, from the profile's interceptor
//   (bodies from the engine, before Qt 6.7 through its BodySource, else the capture script
//   or navigate());
// - newWindow2: the page asks for a new window (createWindow); it opens in the browser a
//   handler names with showIn, which must be a browser of the same session; none blocks it;
// - navigateComplete2, downloadComplete, documentComplete: the top page finished loading, told
//   after the request that loaded it
//   (downloadComplete also after a failed or cancelled load); documentComplete also for each
//   frame, from the capture script;
// - windowClosing: the page closes its window; unless cancelled the view is hidden.
// - onQuit: the engine has no counterpart (a page cannot end the browser), so it never comes.
class WebEngineBrowser : public Browser
{
    Q_OBJECT

public:
    explicit WebEngineBrowser(std::shared_ptr<WebEngineSession> session, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    void navigate(const QString& url) override;
    void navigate(const QString& url, const QByteArray& postData, const QString& headers) override;
    void run(Command command) override;
    void whenBodiesConfirmed(std::function<void()> then) override;

    [[nodiscard]] QString locationUrl() const override;

    [[nodiscard]] int width() const override;
    [[nodiscard]] int height() const override;
    void setWidth(int twips) override;
    void setHeight(int twips) override;

    // The view, for a window to place in its layout.
    [[nodiscard]] QWidget* widget() const override;
    [[nodiscard]] QWebEnginePage* page() const;
    [[nodiscard]] const std::shared_ptr<WebEngineSession>& session() const { return session_; }

    // Stops the current load (a request cancelled after the engine let it go).
    void stop();

    // The session's queue decided on one of this browser's requests: it goes to the handlers
    // (returns whether one cancelled it), or the engine confirmed its body after that.
    bool raiseBeforeNavigate(NavigationRequest& request);
    void confirmBody(const NavigationRequest& request);

    // Whether the engine tells the bodies of this browser's requests apart from them, so that
    // the interceptor's POSTs wait for that word.
    [[nodiscard]] bool bodiesTold() const;
    // The capture script says a frame's document at `url` has loaded.
    void frameLoaded(const QString& url);

private:
    class Page;

    // The page took over the contents of a window another page opened: their bodies are told
    // from then on. A browser's inspector is made only for contents it loads or takes over:
    // one that inspected the page's first, never shown contents before they were replaced makes
    // the engine crash when the new window closes itself during a load (Qt 6.4).
    void inspectAdopted();
    // Loads from the application wait until the engine tells this browser's bodies, where it
    // tells them apart from the requests.
    void loadWhenTold(std::function<void()> load);
    void makeBodySource();
    void pageLoaded(bool ok);
    void showPageMenu(const QPoint& position);
    // The top page's HTML for pageShown: its document as the server sent it where the
    // inspector tells it, else as it shows.
    void describePage(const QString& url);
    void describeNext();
    void documentTold(const QString& url, const QString& text, bool told);
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void closeRequested();

    std::shared_ptr<WebEngineSession> session_; // outlives the page: its profile must
    std::unique_ptr<Page> page_;
    std::unique_ptr<BodySource> bodySource_; // from the first load or adoption on
    QPointer<QWebEngineView> view_;
    bool childWindow_ = false;
    int topStatus_ = 0; // of the top page's last load, 0 when not known
    // Where the top page's last load landed, after redirects: the first address it committed,
    // before a script could rewrite it with the history API.
    QUrl landedUrl_;
    bool awaitingCommit_ = false;
    // The documents the inspector told, oldest first, until a description takes them.
    struct Document
    {
        QUrl url; // as a request key
        QString text;
        bool told = false;
    };
    std::deque<Document> documents_;
    bool documentToCome_ = false; // for the top page's last load
    // Loads to describe, in the order they completed.
    struct Describing
    {
        QUrl url; // as landed
        QDeadlineTimer deadline;
        quint64 serial = 0;
        int status = 0;               // read with the page as it showed
        std::optional<QString> shown; // the page as it showed at the load's end
        std::optional<QString> html;  // what describes it
    };
    std::deque<Describing> describing_;
    quint64 describeSerial_ = 0;
    QTimer describeTimer_;
};

} // namespace waytrace
