#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace waytrace {

// Sends the upload and reports where it landed (see landingAddress), once per request.
// - The request goes out once: a broken answer is not sent again, it lands on dnserror.htm.
// - Redirects are followed within the request's own origin only, and no address twice; a
//   redirect anywhere else ends the upload on http_<status>.htm, so neither the body nor the
//   credentials in it ever reach another server.
// - An answer that stops moving for the silence limit, or has not ended within the overall
//   limit, counts as unanswered.
// A new post abandons a request still under way, without a landing for it.
class UploadChannel : public QObject
{
    Q_OBJECT

public:
    explicit UploadChannel(QObject* parent = nullptr);
    ~UploadChannel() override;

    // Sends a POST with exactly these body bytes and header lines (each ending with CR LF).
    // Virtual so that tests can stand in for the server.
    virtual void post(const QString& url, const QByteArray& body, const QString& headers);

    // How long a request may go without any progress (30 s unless set), and how long it may
    // take in all (120 s unless set), before it counts as unanswered.
    void setTimeout(std::chrono::milliseconds silence) { silence_ = silence; }
    void setOverallLimit(std::chrono::milliseconds overall) { overall_ = overall; }

signals:
    // The address the request landed on.
    void landed(const QString& address);

private:
    void send(const QUrl& url);
    void finished();
    void abandon();

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
};

} // namespace waytrace
