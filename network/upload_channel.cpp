#include "upload_channel.h"

#include "common/header_lines.h"
#include "common/logging.h"
#include "upload_landing.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cstring>

namespace waytrace {

namespace {

// Same-origin redirects to new addresses, at most this many in one upload.
constexpr int kMaxRedirects = 20;

// A body that can be read once only. Qt Network sends a request again after some broken
// answers by rewinding its body; this one cannot be rewound, so the resend fails instead of
// creating the sequence a second time.
class OneShotBody : public QIODevice
{
public:
    OneShotBody(QByteArray data, QObject* parent) : QIODevice(parent), data_(std::move(data))
    {
        open(QIODevice::ReadOnly);
    }

    [[nodiscard]] bool isSequential() const override { return true; }
    [[nodiscard]] qint64 bytesAvailable() const override
    {
        return data_.size() - offset_ + QIODevice::bytesAvailable();
    }
    bool reset() override { return false; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min(max, data_.size() - offset_);
        std::memcpy(out, data_.constData() + offset_, static_cast<std::size_t>(n));
        offset_ += n;
        return n;
    }
    qint64 writeData(const char* /*data*/, qint64 /*size*/) override { return -1; }

private:
    QByteArray data_;
    qint64 offset_ = 0;
};

// Whether the connection failed, even after a status line had arrived: the answer was cut off,
// malformed or would have been sent again. Errors that only name an HTTP status are answers.
bool isBroken(QNetworkReply::NetworkError error)
{
    return (error > QNetworkReply::NoError && error <= QNetworkReply::UnknownNetworkError) ||
           error == QNetworkReply::ContentReSendError || error == QNetworkReply::ProtocolFailure;
}

} // namespace

UploadChannel::UploadChannel(QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this))
{
    silenceTimer_.setSingleShot(true);
    overallTimer_.setSingleShot(true);
    const auto outOfTime = [this] {
        timedOut_ = true;
        if (reply_)
            reply_->abort(); // finishes: unanswered
    };
    connect(&silenceTimer_, &QTimer::timeout, this, outOfTime);
    connect(&overallTimer_, &QTimer::timeout, this, outOfTime);
}

UploadChannel::~UploadChannel()
{
    abandon();
}

void UploadChannel::post(const QString& url, const QByteArray& body, const QString& headers)
{
    abandon();
    requestUrl_ = url;
    method_ = "POST";
    body_ = body;
    // Header lines as given; "accept-charset:UTF-8,*" has no blank after its colon.
    headers_ = parseHeaderLines(headers);
    const QUrl first(url);
    visited_ = {first.adjusted(QUrl::RemoveFragment)};
    timedOut_ = false;
    overallTimer_.start(overall_);
    send(first);
}

void UploadChannel::send(const QUrl& url)
{
    // No connection of an earlier request is reused: one the server has closed meanwhile would
    // fail the request, and it cannot be sent again.
    network_->clearConnectionCache();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = nullptr;
    if (method_ == "POST") {
        for (const auto& [name, value] : headers_)
            request.setRawHeader(name, value);
        request.setHeader(QNetworkRequest::ContentLengthHeader, body_.size());
        request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
        auto* body = new OneShotBody(body_, this);
        reply = network_->post(request, body);
        body->setParent(reply);
    } else {
        reply = network_->get(request);
    }
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, &UploadChannel::finished);
    // Only the status and the address matter; what the page says is dropped as it arrives, so a
    // large answer takes no memory.
    connect(reply, &QNetworkReply::readyRead, reply,
            [reply] { reply->skip(reply->bytesAvailable()); });
    // The silence runs while nothing moves: a large sequence going out, or a server answering
    // slowly but steadily, is not an unanswered request.
    const auto moving = [this] { silenceTimer_.start(silence_); };
    connect(reply, &QNetworkReply::uploadProgress, this, moving);
    connect(reply, &QNetworkReply::downloadProgress, this, moving);
    silenceTimer_.start(silence_);
}

void UploadChannel::finished()
{
    auto* reply = reply_.data();
    if (!reply)
        return;
    reply_.clear();
    reply->deleteLater();
    silenceTimer_.stop();

    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    UploadAnswer answer;
    answer.status = status.toInt();
    // Qt Network reports a 307 or 308 it cannot follow itself as a failed resend; the answer
    // is whole all the same.
    const bool refusedToResend =
        reply->error() == QNetworkReply::ContentReSendError && redirectKeepsBody(answer.status);
    answer.broken =
        timedOut_ || !status.isValid() || (isBroken(reply->error()) && !refusedToResend);
    answer.finalUrl = reply->url();
    answer.location = reply->rawHeader("Location");
    if (const auto next = redirectTarget(reply->url(), answer, visited_);
        next && visited_.size() <= kMaxRedirects) {
        visited_.insert(*next);
        if (!redirectKeepsBody(answer.status)) {
            // 301, 302 and 303 continue as a GET without the body, as browsers do.
            method_ = "GET";
            body_.clear();
        }
        send(*next);
        return;
    }
    overallTimer_.stop();
    if (answer.broken)
        qCWarning(logUpload) << "no answer from"
                             << QUrl(requestUrl_).adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo)
                             << (timedOut_ ? QStringLiteral("in time") : reply->errorString());
    const auto address = landingAddress(requestUrl_, answer);
    qCDebug(logUpload) << "landed at" << QUrl(address).adjusted(QUrl::RemoveQuery);
    emit landed(address);
}

void UploadChannel::abandon()
{
    silenceTimer_.stop();
    overallTimer_.stop();
    if (auto* reply = reply_.data()) {
        reply_.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace waytrace
