#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QWebEnginePage;
class QWebEngineProfile;

namespace waytrace {

class AcceptedCertificates;
class Browser;
class BodySource;
class NavigationQueue;
class PagePrompts;
class RequestAttribution;
class SeparateBodies;
class RequestInterceptor;
class WebEngineBrowser;

// What the main and the popup browser share: one off-the-record profile (nothing is written to
// disk, and the popup sees the main browser's cookies), the request interceptor, the capture
// script and who answers the pages' questions. Browsers hold the session by shared pointer, so
// the profile goes only after the last of their pages, as the engine requires.
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
    [[nodiscard]] NavigationQueue& queue() { return *queue_; }
    // Where bodies come apart from their requests (before Qt 6.7); none where the interceptor
    // is handed each body.
    [[nodiscard]] SeparateBodies* separateBodies() const { return separateBodies_.get(); }
    [[nodiscard]] RequestAttribution& attribution() { return *attribution_; }
    // What the pages of this session ask of the user, and the run's answers.
    [[nodiscard]] PagePrompts& pagePrompts() const { return *pagePrompts_; }
    // The certificates the user let through in this session's pages, for the test run.
    [[nodiscard]] std::shared_ptr<const AcceptedCertificates> acceptedCertificates() const
    {
        return acceptedCertificates_;
    }

    // A console message of a browser's page: returns whether it came from the capture script.
    bool captureMessage(WebEngineBrowser* browser, const QString& message);

    // What tells the documents of a browser's page as sent and, where the interceptor is handed
    // no request bodies, the bodies of its requests to the queue.
    std::unique_ptr<BodySource> bodySource(Browser& browser, QWebEnginePage& page);

private:
    WebEngineSession();

    // The queue's decisions, carried out on this session's browsers.
    class Decisions;

    QString secret_;
    std::unique_ptr<Decisions> decisions_;           // outlives the queue and the separate bodies
    std::unique_ptr<SeparateBodies> separateBodies_; // before Qt 6.7; outlives the queue
    // Held apart so that users of the session need not know the navigation room.
    std::unique_ptr<NavigationQueue> queue_;
    std::unique_ptr<RequestAttribution> attribution_;
    std::unique_ptr<RequestInterceptor> interceptor_;
    std::unique_ptr<QWebEngineProfile> profile_;
    std::shared_ptr<AcceptedCertificates> acceptedCertificates_;
    std::unique_ptr<PagePrompts> pagePrompts_; // goes before the profile it listens to
    std::unique_ptr<QWebEngineProfile> inspectorProfile_;
};

} // namespace waytrace
