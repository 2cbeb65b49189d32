#include "trial_run.h"

#include "common/header_lines.h"
#include "common/logging.h"
#include "core/recording_rule.h"
#include "origin.h"
#include "resources/string_table.h"
#include "resources/text_id.h"

#include <QAuthenticator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextCodec>

namespace waytrace {

// A URL as it is replayed, copied from its record.
struct TrialRun::Step
{
    std::weak_ptr<UrlRecord> record;
    QUrl url;
    bool post = false;
    QByteArray body;
    QString headers;
    QString userName;
    QString password;
    std::u16string requiredKeywords;
    std::u16string forbiddenKeywords;
    std::optional<CodeCondition> condition;
    int code = 0;
    QStringList staleFields;
};

namespace {

// The condition items' texts, in the order of CodeCondition.
constexpr TextId kConditionTexts[] = {TextId::GreaterThan, TextId::EqualTo, TextId::NotEqualTo};

// The response text, decoded as declared: the charset of the Content-Type header, else the
// document's byte order mark or meta declaration, else UTF-8.
std::u16string decodedBody(const QByteArray& body, const QByteArray& contentType)
{
    QTextCodec* codec = nullptr;
    const auto at = contentType.toLower().indexOf("charset=");
    if (at >= 0) {
        QByteArray name = contentType.mid(at + 8);
        if (const auto end = name.indexOf(';'); end >= 0)
            name.truncate(end);
        name = name.trimmed();
        if (name.startsWith('"') && name.endsWith('"') && name.size() >= 2)
            name = name.mid(1, name.size() - 2);
        codec = QTextCodec::codecForName(name);
    }
    if (codec == nullptr)
        codec = QTextCodec::codecForHtml(body, QTextCodec::codecForName("UTF-8"));
    return codec->toUnicode(body).toStdU16String();
}

// Why a reply ended without a whole answer; None when it is one, HTTP error statuses included.
TrialRunFailure failureOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::NoError:
        return TrialRunFailure::None;
    case QNetworkReply::ConnectionRefusedError:
        return TrialRunFailure::Refused;
    case QNetworkReply::HostNotFoundError:
        return TrialRunFailure::HostNotFound;
    // The transfer timeout ends a silent answer as cancelled; the run's own cancel never
    // reaches here.
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return TrialRunFailure::Silent;
    case QNetworkReply::SslHandshakeFailedError:
        return TrialRunFailure::Secure;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ContentReSendError:
        return TrialRunFailure::BrokenOff;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return TrialRunFailure::Redirects;
    default:
        break;
    }
    // Content (2xx) and server (4xx) errors only name the answer's status.
    const bool statusOnly =
        (error >= QNetworkReply::ContentAccessDenied &&
         error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return statusOnly ? TrialRunFailure::None : TrialRunFailure::Other;
}

} // namespace

std::optional<CodeCondition> codeConditionFor(const QString& text)
{
    // Each interface language writes the condition in its own words; all of them are read.
    static const QJsonObject table = QJsonDocument::fromJson(compiledStringTable()).object();
    for (std::size_t i = 0; i < std::size(kConditionTexts); ++i) {
        const QString id = QString::number(static_cast<int>(kConditionTexts[i]));
        for (const auto& language : table)
            if (language.toObject().value(id).toString() == text)
                return static_cast<CodeCondition>(i);
    }
    return std::nullopt;
}

TrialRun::TrialRun(QObject* parent) : QObject(parent) {}

TrialRun::~TrialRun()
{
    // Quietly: whoever listens may be half destroyed already (a window deleting its children).
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void TrialRun::start(const RecordedSequence& sequence)
{
    cancel();
    steps_.clear();
    for (const auto& record : sequence) {
        Step step;
        step.record = record;
        step.url = QUrl(QString::fromStdU16String(record->urlAddress));
        step.post = record->method == HttpMethod::Post;
        step.body = QByteArray::fromStdString(postDataBytes(record->postBody));
        step.headers = QString::fromStdU16String(record->headers);
        step.userName = QString::fromStdU16String(record->userName);
        step.password = QString::fromStdU16String(record->password);
        step.requiredKeywords = record->requiredKeywords;
        step.forbiddenKeywords = record->forbiddenKeywords;
        step.condition = codeConditionFor(QString::fromStdU16String(record->responseCondition));
        step.code = record->responseCode;
        for (const auto& field : waytrace::staleFields(record->postBody))
            step.staleFields << QString::fromStdU16String(field.name);
        steps_.push_back(std::move(step));
    }

    // A fresh session each run: no cookies, cached logins or connections from an earlier one.
    // The old one may be telling of its last reply right now.
    if (network_)
        network_->deleteLater();
    network_ = new QNetworkAccessManager(this);
    network_->setCookieJar(new QNetworkCookieJar(network_));
    network_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    connect(network_, &QNetworkAccessManager::authenticationRequired, this,
            [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                // Answer a challenge once, and only from the URL's own server: asked again, the
                // credentials were refused; asked after a redirect elsewhere, they are not its.
                const Step& step = steps_[next_ - 1];
                if (step.userName.isEmpty() || reply->property("answered").toBool() ||
                    !sameOrigin(reply->url(), step.url))
                    return;
                reply->setProperty("answered", true);
                authenticator->setUser(step.userName);
                authenticator->setPassword(step.password);
            });

    next_ = 0;
    ++run_;
    running_ = true;
    qCDebug(logTrialRun) << "trial run of" << steps_.size() << "URLs";
    runNext();
}

void TrialRun::cancel()
{
    if (!running_)
        return;
    running_ = false;
    ++run_;
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    qCDebug(logTrialRun) << "trial run cancelled";
    emit finished(true);
}

void TrialRun::runNext()
{
    if (next_ >= steps_.size()) {
        running_ = false;
        emit finished(false);
        return;
    }
    const auto run = run_;
    ++next_;
    emit stepStarted(static_cast<int>(next_), static_cast<int>(steps_.size()),
                     steps_[next_ - 1].record.lock().get());
    if (run != run_)
        return; // a handler cancelled or started another run
    const Step& step = steps_[next_ - 1];

    // Each URL logs in with its own credentials only, never with those cached for an earlier one.
    network_->clearAccessCache();
    QNetworkRequest request(step.url);
    request.setTransferTimeout(static_cast<int>(silence_.count()));
    for (const auto& [name, value] : parseHeaderLines(step.headers))
        request.setRawHeader(name, value);
    clock_.start();
    if (step.post) {
        if (!request.hasRawHeader("Content-Type"))
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/x-www-form-urlencoded"));
        reply_ = network_->post(request, step.body);
    } else {
        reply_ = network_->get(request);
    }
    connect(reply_, &QNetworkReply::finished, this, &TrialRun::replied);
}

void TrialRun::replied()
{
    QNetworkReply* reply = reply_;
    reply->deleteLater();
    const Step& step = steps_[next_ - 1];

    TrialRunResult result;
    result.position = static_cast<int>(next_);
    result.record = step.record;
    result.milliseconds = clock_.elapsed();
    result.staleFields = step.staleFields;
    result.finalUrl = reply->url().toString();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.failure = failureOf(reply->error());
    if (result.failure == TrialRunFailure::None && result.status == 0)
        result.failure = TrialRunFailure::Other;
    if (result.failure != TrialRunFailure::None) {
        result.failureDetail = reply->errorString();
        qCDebug(logTrialRun) << "URL" << result.position << "unanswered:" << reply->error();
    } else {
        const QByteArray body = reply->readAll();
        result.size = body.size();
        result.fires =
            judgeResponse(result.status, decodedBody(body, reply->rawHeader("Content-Type")),
                          step.requiredKeywords, step.forbiddenKeywords, step.condition, step.code);
        qCDebug(logTrialRun) << "URL" << result.position << "answered" << result.status;
    }
    const auto run = run_;
    emit stepFinished(result);
    if (run == run_)
        runNext();
}

} // namespace waytrace
