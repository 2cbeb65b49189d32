#pragma once

#include "browser.h"

#include <QList>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace waytrace {

// The hidden browser that sends the upload. It shows nothing: it sends the request and reports
// where it landed (see landingAddress) as navigateComplete2 and documentComplete with that
// address, which documentUrl() then returns too.
// - The request goes out once: a broken answer is not sent again, it lands on dnserror.htm.
// - Redirects are followed within the request's own origin only, and no address twice; a
//   redirect anywhere else ends the upload on http_<status>.htm, so neither the body nor the
//   credentials in it ever reach another server.
// - An answer that stops moving for the silence limit, or has not ended within the overall
//   limit, counts as unanswered.
// A new navigate abandons a request still under way, without an event for it.
class UploadChannel : public Browser
{
    Q_OBJECT

public:
    explicit UploadChannel(QObject* parent = nullptr);
    ~UploadChannel() override;

    // A GET, reported the same way.
    void navigate(const QString& url) override;
    void navigate(const QString& url, const QByteArray& postData, const QString& headers) override;

    [[nodiscard]] QString documentUrl() const override { return documentUrl_; }
    [[nodiscard]] QString locationUrl() const override { return documentUrl_; }
    [[nodiscard]] int width() const override { return width_; }
    [[nodiscard]] int height() const override { return height_; }
    void setWidth(int twips) override { width_ = twips; }
    void setHeight(int twips) override { height_ = twips; }

    // How long a request may go without any progress (30 s unless set), and how long it may
    // take in all (120 s unless set), before it counts as unanswered.
    void setTimeout(std::chrono::milliseconds silence) { silence_ = silence; }
    void setOverallLimit(std::chrono::milliseconds overall) { overall_ = overall; }

private:
    void begin(const QString& url, const QByteArray& method, const QByteArray& body,
               const QString& headers);
    void send(const QUrl& url);
    void finished();
    void abandon();
    void land(const QString& address);

    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    QString requestUrl_;
    QByteArray method_;
    QByteArray body_;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QSet<QUrl> visited_;
    bool timedOut_ = false;
    QTimer silenceTimer_;
    QTimer overallTimer_;
    std::chrono::milliseconds silence_{30000};
    std::chrono::milliseconds overall_{120000};
    QString documentUrl_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace waytrace
