#pragma once

#include "navigation_queue.h"

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
    // A page is about to start a navigation to `url`: its request is this browser's.
    void expectRequest(WebEngineBrowser* browser, const QUrl& url);
    // A browser took over a new window; its first request may come before the page knows it.
    void expectNewWindow(WebEngineBrowser* browser);
    [[nodiscard]] WebEngineBrowser* requestOwner(const QUrl& url, bool mainFrame);
    // A console message of a page: returns whether it came from the capture script.
    bool captureMessage(WebEngineBrowser* browser, const QString& message);

private:
    WebEngineSession();

    struct Expected
    {
        QPointer<WebEngineBrowser> browser;
        QUrl url;
        qint64 at = 0;
    };

    QString secret_;
    NavigationQueue queue_;
    std::unique_ptr<RequestInterceptor> interceptor_;
    std::unique_ptr<QWebEngineProfile> profile_;
    QList<QPointer<WebEngineBrowser>> browsers_;
    QList<Expected> expected_;
    QPointer<WebEngineBrowser> newWindow_;
};

} // namespace waytrace
