#pragma once

#include "browser.h"

#include <QPointer>
#include <QTimer>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace waytrace {

// The hidden browser that sends the upload. It shows nothing: it sends the request and reports
// where it landed, as navigateComplete2 and documentComplete with that address, which
// documentUrl() then returns too:
// - after a 2xx answer (redirects followed), the final address;
// - res://waytrace/http_<status>.htm#<request address> for any other answer, so 400 and 404
//   give the http_400.htm and http_404.htm pages;
// - res://waytrace/dnserror.htm#<request address> when the host is unknown, refuses the
//   connection, fails TLS or has not answered in time.
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

    // How long a request may go without any progress before it counts as unanswered (30 s
    // unless set).
    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

private:
    void start(QNetworkReply* reply, const QString& url);
    void finished();
    void land(const QString& address);

    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    QString requestUrl_;
    QTimer deadline_;
    std::chrono::milliseconds timeout_{30000};
    QString documentUrl_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace waytrace
