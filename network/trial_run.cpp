#include "trial_run.h"

#include "answer_reading.h"
#include "trial_run_answer.h"

#include "common/accepted_certificates.h"
#include "common/header_lines.h"
#include "common/logging.h"
#include "content_decoding.h"
#include "core/recording_rule.h"
#include "core/secrets.h"
#include "origin.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTextCodec>
#include <QTimer>

#include <algorithm>

namespace waytrace {

// A URL as it is replayed, copied from its record.
struct TrialRun::Step
{
    int position = 0; // in the sequence
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
    std::optional<SeenPage> seen;
    UrlRecord sent; // the address and body, for the fields it sends
};

namespace {

// How much of an answer is read at a time, and how much the network layer may hold unread: an
// answer is judged as it arrives and never held whole, whatever its size.
constexpr qint64 kPieceSize = qint64{256} * 1024;
constexpr qint64 kReadBufferSize = qint64{4096} * 1024;
// As browsers allow.
constexpr int kMaxRedirects = 20;

// A basic-authentication header's value: Latin-1 where the user and password are, as the
// network layer writes it, else UTF-8.
QByteArray basicCredentials(const QString& user, const QString& password)
{
    const QString both = user + u':' + password;
    const bool latin1 =
        std::all_of(both.begin(), both.end(), [](QChar c) { return c.unicode() < 0x100; });
    return "Basic " + (latin1 ? both.toLatin1() : both.toUtf8()).toBase64();
}

} // namespace

QStringList postSteps(const RecordedSequence& sequence)
{
    QStringList posts;
    int position = 0;
    for (const auto& record : sequence)
        if (++position; record->method == HttpMethod::Post)
            posts << QStringLiteral("%1. %2").arg(position).arg(
                QString::fromStdU16String(record->urlAddress));
    return posts;
}

QString answerText(const TrialRunResult& result)
{
    QByteArray contentType;
    for (const auto& [name, value] : result.exchange.responseHeaders)
        if (name.compare("Content-Type", Qt::CaseInsensitive) == 0)
            contentType = value;
    const QByteArray& body = result.exchange.bodyStart;
    return declaredCodec(contentType, body.left(kCharsetSniffSize))->toUnicode(body);
}

bool TrialRunResult::passed() const
{
    return verdictOf(*this) == TrialRunVerdict::Passed;
}

TrialRunVerdict verdictOf(const TrialRunResult& result)
{
    if (result.failure != TrialRunFailure::None)
        return TrialRunVerdict::NoAnswer;
    if (result.fires.requiredKeywords.value_or(false) ||
        result.fires.forbiddenKeywords.value_or(false) ||
        result.fires.responseCondition.value_or(false))
        return TrialRunVerdict::WouldAlert;
    return result.differences.empty() ? TrialRunVerdict::Passed : TrialRunVerdict::Differs;
}

qint64 stalledKilobytes(const TrialRunResult& result)
{
    return (result.size + 1023) / 1024;
}

QString failureWords(const TrialRunResult& result)
{
    switch (result.failure) {
    case TrialRunFailure::None:
        return {};
    case TrialRunFailure::Refused:
        return QStringLiteral("connection refused");
    case TrialRunFailure::HostNotFound:
        return QStringLiteral("host not found");
    case TrialRunFailure::Silent:
        return QStringLiteral("no answer");
    case TrialRunFailure::Stalled:
        return QStringLiteral("the server stopped sending after %1 KB")
            .arg(stalledKilobytes(result));
    case TrialRunFailure::Secure:
        return QStringLiteral("secure connection failed");
    case TrialRunFailure::BrokenOff:
        return QStringLiteral("answer broke off");
    case TrialRunFailure::Redirects:
        return QStringLiteral("too many or unsafe redirects");
    case TrialRunFailure::TooSlow:
        return QStringLiteral("no whole answer in time");
    case TrialRunFailure::Unreadable:
        return QStringLiteral("answer unreadable: ") + result.failureDetail;
    case TrialRunFailure::BadHeaders:
        return QStringLiteral("header line refused: ") + result.failureDetail;
    case TrialRunFailure::Other:
        break;
    }
    return result.failureDetail;
}

TrialRun::TrialRun(QObject* parent) : QObject(parent), answerTimer_(new QTimer(this))
{
    answerTimer_->setSingleShot(true);
    connect(answerTimer_, &QTimer::timeout, this, [this] {
        if (answer_ && reply_) {
            answer_->timedOut = true;
            reply_->abort();
        }
    });
}

TrialRun::~TrialRun()
{
    // Quietly: whoever listens may be half destroyed already (a window deleting its children).
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void TrialRun::start(const RecordedSequence& sequence, bool posts)
{
    cancel();
    steps_.clear();
    int position = 0;
    for (const auto& record : sequence) {
        ++position;
        if (!posts && record->method == HttpMethod::Post)
            continue;
        Step step;
        step.position = position;
        step.record = record;
        step.url = QUrl(QString::fromStdU16String(record->urlAddress));
        step.post = record->method == HttpMethod::Post;
        step.body = QByteArray::fromStdString(postDataBytes(record->postBody));
        step.headers = QString::fromStdU16String(record->headers);
        step.userName = QString::fromStdU16String(record->userName);
        step.password = QString::fromStdU16String(record->password);
        step.requiredKeywords = record->requiredKeywords;
        step.forbiddenKeywords = record->forbiddenKeywords;
        step.condition = record->responseCondition.known();
        step.code = record->responseCode;
        step.seen = record->seen;
        step.sent.urlAddress = record->urlAddress;
        step.sent.method = record->method;
        step.sent.postBody = record->postBody;
        step.sent.headers = record->headers;
        steps_.push_back(std::move(step));
    }

    // A fresh session each run: no cookies, cached logins or connections from an earlier one.
    // The old one may be telling of its last reply right now.
    if (network_)
        network_->deleteLater();
    network_ = new QNetworkAccessManager(this);
    network_->setCookieJar(new QNetworkCookieJar(network_));
    // Redirects are followed here, so that a credential line goes to the URL's own origin only.
    network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);

    next_ = 0;
    live_ = {};
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
    answerTimer_->stop();
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    answer_.reset();
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
    if (const auto fault = headerLinesFault(step.headers); !fault.isEmpty()) {
        TrialRunResult result;
        result.position = step.position;
        result.record = step.record;
        result.staleFields = live_.staleIn(step.sent);
        result.finalUrl = step.url.toString();
        result.failure = TrialRunFailure::BadHeaders;
        result.failureDetail = fault;
        qCWarning(logTrialRun) << "URL" << result.position << "not sent:" << fault;
        finishStep(result);
        return;
    }
    for (const auto& [name, value] : parseHeaderLines(step.headers))
        if (headerUse(name) == HeaderUse::Ignored)
            qCWarning(logTrialRun) << "URL" << next_ << "header line left out:" << name
                                   << "(the network layer writes it)";

    // Each URL logs in with its own credentials only, never with those cached for an earlier one.
    network_->clearAccessCache();
    answer_ = std::make_unique<Answer>(step.requiredKeywords, step.forbiddenKeywords);
    clock_.start();
    answerTimer_->start(answerLimit_);
    send(step.url, step.post);
}

void TrialRun::send(const QUrl& url, bool post)
{
    const Step& step = steps_[next_ - 1];
    answer_->post = post;
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(silence_.count()));
    const bool ownOrigin = sameOrigin(url, step.url);
    for (const auto& [name, value] : parseHeaderLines(step.headers)) {
        const bool credential = isCredentialHeader(QString::fromLatin1(name).toStdU16String());
        const bool bodyType = name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        // The run offers the encodings it decodes itself (below).
        const bool encodings = name.compare("Accept-Encoding", Qt::CaseInsensitive) == 0;
        if (headerUse(name) == HeaderUse::Ignored || (credential && !ownOrigin) ||
            (bodyType && !post) || encodings)
            continue;
        request.setRawHeader(name, value);
    }
    // With the first request, not after the server asks: a body goes out once. To the step's
    // own server only.
    if (!step.userName.isEmpty() && ownOrigin)
        request.setRawHeader("Authorization", basicCredentials(step.userName, step.password));
    // Decoded here rather than by the network layer, which takes a compressed answer cut short
    // for a whole one: only the decoder knows where the stream ends.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");
    answer_->content.reset();
    if (post && !request.hasRawHeader("Content-Type"))
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
    // The request as it goes, for the run's HAR: the last of its redirects stands.
    TrialRunExchange& exchange = answer_->exchange;
    if (!exchange.started.isValid())
        exchange.started = QDateTime::currentDateTimeUtc();
    exchange.method = post ? QByteArrayLiteral("POST") : QByteArrayLiteral("GET");
    exchange.url = url.toString(QUrl::FullyEncoded);
    exchange.requestHeaders.clear();
    for (const auto& name : request.rawHeaderList())
        exchange.requestHeaders.append({name, request.rawHeader(name)});
    exchange.requestBody = post ? step.body : QByteArray();
    if (post) {
        reply_ = network_->post(request, step.body);
    } else {
        reply_ = network_->get(request);
    }
    reply_->setReadBufferSize(kReadBufferSize);
    connect(reply_, &QNetworkReply::readyRead, this, &TrialRun::read);
    connect(reply_, &QNetworkReply::finished, this, &TrialRun::replied);
    connect(reply_, &QNetworkReply::sslErrors, this, &TrialRun::certificateDoubted);
}

void TrialRun::acceptCertificates(std::shared_ptr<const AcceptedCertificates> accepted)
{
    acceptedCertificates_ = std::move(accepted);
}

void TrialRun::certificateDoubted(const QList<QSslError>& errors)
{
    // A certificate the user let through in the browser for this host passes here too, as it
    // did there; any other is refused, and the reason kept for the result.
    const QString host = reply_->url().host();
    const QSslCertificate leaf = reply_->sslConfiguration().peerCertificate();
    if (!leaf.isNull() && acceptedCertificates_ &&
        acceptedCertificates_->isAccepted(
            host, fingerprintText(leaf.digest(QCryptographicHash::Sha256)))) {
        reply_->ignoreSslErrors(errors);
        return;
    }
    answer_->certificateProblem = certificateProblemOf(errors);
}

void TrialRun::read()
{
    QNetworkReply& reply = *reply_;
    Answer& answer = *answer_;
    if (isRedirect(reply)) {
        reply.skip(reply.bytesAvailable()); // the body of a redirect is not the answer
        return;
    }
    if (!answer.content)
        answer.content = std::make_unique<ContentDecoding>(reply.rawHeader("Content-Encoding"));
    while (reply.bytesAvailable() > 0)
        answer.content->decode(reply.read(kPieceSize),
                               [&](const QByteArray& piece) { take(reply, piece); });
}

void TrialRun::take(const QNetworkReply& reply, const QByteArray& piece)
{
    Answer& answer = *answer_;
    answer.size += piece.size();
    auto& kept = answer.exchange.bodyStart;
    if (kept.size() < TrialRunExchange::kBodyStart)
        kept += piece.left(TrialRunExchange::kBodyStart - kept.size());
    // Once the verdict is settled the rest is only counted: it must still come whole.
    if (!answer.searching())
        return;
    if (answer.judge) {
        answer.search(piece);
    } else {
        answer.head += piece;
        if (answer.head.size() >= kCharsetSniffSize)
            answer.startSearching(reply.rawHeader("Content-Type"));
    }
}

void TrialRun::replied()
{
    QNetworkReply* reply = reply_;
    reply->deleteLater();
    read();
    const Step& step = steps_[next_ - 1];
    Answer& answer = *answer_;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();

    TrialRunResult result;
    result.position = step.position;
    result.record = step.record;
    result.staleFields = live_.staleIn(step.sent);
    result.finalUrl = reply->url().toString();
    result.status = status;
    result.failure = answer.timedOut ? TrialRunFailure::TooSlow : failureOf(reply->error(), status);
    // A server that began to answer and then went quiet is not one that never answered.
    if (result.failure == TrialRunFailure::Silent && (status != 0 || answer.size > 0)) {
        result.failure = TrialRunFailure::Stalled;
        result.size = answer.size;
    }
    if (result.failure == TrialRunFailure::None && isRedirect(*reply)) {
        const auto target =
            reply->url().resolved(QUrl::fromEncoded(reply->rawHeader("Location").trimmed()));
        const bool web = target.scheme() == u"http" || target.scheme() == u"https";
        const bool lessSafe = reply->url().scheme() == u"https" && target.scheme() == u"http";
        if (++answer.redirects <= kMaxRedirects && target.isValid() && web && !lessSafe) {
            // The hop as it went, for the run's HAR; the next starts afresh.
            TrialRunExchange hop = std::exchange(answer.exchange, {});
            hop.status = status;
            hop.statusText =
                reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
            hop.responseHeaders = reply->rawHeaderPairs();
            hop.redirectUrl = target.toString(QUrl::FullyEncoded);
            hop.milliseconds = clock_.elapsed() - answer.hopsMilliseconds;
            answer.hopsMilliseconds += hop.milliseconds;
            answer.hops.push_back(std::move(hop));
            // As browsers do: 307 and 308 repeat the request, the others turn it into a GET.
            send(target, answer.post && (status == 307 || status == 308));
            return;
        }
        result.failure = TrialRunFailure::Redirects;
    }
    result.milliseconds = clock_.elapsed();
    result.exchange = std::move(answer.exchange);
    result.redirects = std::move(answer.hops);
    result.exchange.statusText =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    result.exchange.responseHeaders = reply->rawHeaderPairs();
    if (result.failure == TrialRunFailure::None && status == 0)
        result.failure = TrialRunFailure::Other;
    if (result.failure == TrialRunFailure::None && answer.content && !answer.content->whole()) {
        const QByteArray& fault = answer.content->fault();
        result.failure = fault.isEmpty() ? TrialRunFailure::BrokenOff : TrialRunFailure::Unreadable;
        result.failureDetail = QString::fromLatin1(fault);
    }
    if (result.failure != TrialRunFailure::None) {
        if (result.failureDetail.isEmpty())
            result.failureDetail = reply->errorString();
        if (result.failure == TrialRunFailure::Secure)
            result.certificateProblem = answer.certificateProblem;
        qCDebug(logTrialRun) << "URL" << result.position << "unanswered:" << reply->error();
    } else {
        if (!answer.judge && answer.searching())
            answer.startSearching(reply->rawHeader("Content-Type"));
        result.size = answer.size;
        result.fires = answer.verdict(status, step.condition, step.code);
        result.requiredKeywords = QString::fromStdU16String(step.requiredKeywords);
        result.forbiddenKeywords = QString::fromStdU16String(step.forbiddenKeywords);
        compareWithSeen(result, step, reply->rawHeader("Content-Type"));
        qCDebug(logTrialRun) << "URL" << result.position << "answered" << result.status;
    }
    finishStep(result);
}

void TrialRun::compareWithSeen(TrialRunResult& result, const Step& step,
                               const QByteArray& contentType)
{
    // Pages only: an image or a download offers no values and shows no text to compare.
    const QByteArray type = contentType.toLower();
    if (!type.isEmpty() && !type.contains("html"))
        return;
    const HtmlReading page = readHtml(answerText(result).toStdU16String());
    const auto here = QUrl(result.finalUrl).toString(QUrl::FullyEncoded).toStdU16String();
    live_.offer(static_cast<std::size_t>(result.position - 1), page, here);
    if (step.seen)
        result.differences = comparePages(*step.seen, seenPageOf(result.status, here, page));
}

void TrialRun::finishStep(const TrialRunResult& result)
{
    answerTimer_->stop();
    answer_.reset();
    const auto run = run_;
    emit stepFinished(result);
    if (run == run_)
        runNext();
}

} // namespace waytrace
