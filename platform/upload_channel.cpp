#include "upload_channel.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace waytrace {

namespace {

QString errorPage(const QString& name, const QString& requestUrl)
{
    return QStringLiteral("res://waytrace/%1#%2").arg(name, requestUrl);
}

QNetworkRequest request(const QString& url)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

} // namespace

UploadChannel::UploadChannel(QObject* parent)
    : Browser(parent), network_(new QNetworkAccessManager(this))
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        if (reply_)
            reply_->abort(); // finishes with OperationCanceledError: unanswered
    });
}

UploadChannel::~UploadChannel()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void UploadChannel::navigate(const QString& url)
{
    start(network_->get(request(url)), url);
}

void UploadChannel::navigate(const QString& url, const QByteArray& postData, const QString& headers)
{
    auto req = request(url);
    // Header lines as given; "accept-charset:UTF-8,*" has no blank after its colon.
    for (const auto& line : headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const auto colon = line.indexOf(u':');
        if (colon > 0)
            req.setRawHeader(line.left(colon).trimmed().toLatin1(),
                             line.mid(colon + 1).trimmed().toUtf8());
    }
    start(network_->post(req, postData), url);
}

void UploadChannel::start(QNetworkReply* reply, const QString& url)
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    reply_ = reply;
    requestUrl_ = url;
    connect(reply, &QNetworkReply::finished, this, &UploadChannel::finished);
    // The time runs while nothing moves: a large sequence going out, or a server answering
    // slowly but steadily, is not an unanswered request.
    const auto moving = [this] { deadline_.start(timeout_); };
    connect(reply, &QNetworkReply::uploadProgress, this, moving);
    connect(reply, &QNetworkReply::downloadProgress, this, moving);
    deadline_.start(timeout_);
}

void UploadChannel::finished()
{
    deadline_.stop();
    auto* reply = reply_.data();
    if (!reply)
        return;
    reply_.clear();
    reply->deleteLater();

    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        // No answer at all: unknown host, refused, TLS failure or timed out.
        land(reply->error() == QNetworkReply::NoError
                 ? reply->url().toString(QUrl::FullyEncoded)
                 : errorPage(QStringLiteral("dnserror.htm"), requestUrl_));
        return;
    }
    const int code = status.toInt();
    if (code >= 200 && code < 300) {
        // The address as requested unless a redirect moved it: the outcome compares its tail.
        const bool moved = reply->url() != QUrl(requestUrl_);
        land(moved ? reply->url().toString(QUrl::FullyEncoded) : requestUrl_);
        return;
    }
    land(errorPage(QStringLiteral("http_%1.htm").arg(code), requestUrl_));
}

void UploadChannel::land(const QString& address)
{
    documentUrl_ = address;
    emit navigateComplete2(address);
    emit documentComplete(address);
}

} // namespace waytrace
