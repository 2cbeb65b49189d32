#include "trial_run_har.h"

#include "core/recording_rule.h"
#include "core/secrets.h"
#include "waytrace/build_settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUrl>

namespace waytrace {

namespace {

const QString kHidden = QStringLiteral("***");

// Header lines whose values open a door: logins, sessions, keys.
bool hidesValue(const QByteArray& name)
{
    return isCredentialHeader(QString::fromLatin1(name).toStdU16String());
}

// An address without its user part, and its query's secrets left out.
QString withoutCredentials(const QString& address, const UrlRecord* record)
{
    UrlRecord query;
    query.urlAddress =
        QUrl(address).adjusted(QUrl::RemoveUserInfo).toString(QUrl::FullyEncoded).toStdU16String();
    if (record)
        query.passwordFields = record->passwordFields;
    return QString::fromStdU16String(withoutSecrets(query).urlAddress);
}

QJsonArray headersJson(const TrialRunExchange::Headers& headers)
{
    QJsonArray array;
    for (const auto& [name, value] : headers) {
        QString shown = hidesValue(name) ? kHidden : QString::fromLatin1(value);
        if (name.compare("Location", Qt::CaseInsensitive) == 0)
            shown = withoutCredentials(shown, nullptr);
        array.append(QJsonObject{{"name", QString::fromLatin1(name)}, {"value", shown}});
    }
    return array;
}

// The body as sent, its secret fields left out as a file without passwords leaves them out;
// nothing of it where its record is gone.
QString bodyWithoutSecrets(const TrialRunExchange& exchange, const UrlRecord* record)
{
    if (!record)
        return QString::fromLatin1(kLeftOut);
    UrlRecord sent;
    sent.headers = record->headers;
    sent.passwordFields = record->passwordFields;
    const QByteArray& body = exchange.requestBody;
    sent.postBody = postDataText(std::span(reinterpret_cast<const std::uint8_t*>(body.constData()),
                                           static_cast<std::size_t>(body.size())));
    return QString::fromLatin1(
        QByteArray::fromStdString(postDataBytes(withoutSecrets(sent).postBody)));
}

QByteArray headerValue(const TrialRunExchange::Headers& headers, const char* name)
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

// A body as HAR carries it: text where it is UTF-8, else base64.
QJsonObject content(const QByteArray& body, qint64 size, const QByteArray& mimeType)
{
    QJsonObject json{{"size", size}, {"mimeType", QString::fromLatin1(mimeType)}};
    auto decode = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(body);
    if (!decode.hasError()) {
        json.insert("text", text);
    } else {
        json.insert("text", QString::fromLatin1(body.toBase64()));
        json.insert("encoding", QStringLiteral("base64"));
    }
    if (body.size() < size)
        json.insert("comment", QStringLiteral("the first %1 bytes").arg(body.size()));
    return json;
}

// One request as it went and its answer: a redirect's (no body read, where it sent the request
// on), or the step's last, whose answer was read.
QJsonObject entry(const TrialRunExchange& exchange, const TrialRunResult& result, bool last)
{
    const auto record = result.record.lock();
    QJsonObject request{{"method", QString::fromLatin1(exchange.method)},
                        {"url", withoutCredentials(exchange.url, record.get())},
                        {"httpVersion", "HTTP/1.1"},
                        {"headers", headersJson(exchange.requestHeaders)},
                        {"queryString", QJsonArray()},
                        {"cookies", QJsonArray()},
                        {"headersSize", -1},
                        {"bodySize", exchange.requestBody.size()}};
    if (exchange.method == "POST")
        request.insert("postData",
                       QJsonObject{{"mimeType", QString::fromLatin1(headerValue(
                                                    exchange.requestHeaders, "Content-Type"))},
                                   {"text", bodyWithoutSecrets(exchange, record.get())}});
    const qint64 size = last ? result.size : 0;
    QJsonObject response{
        {"status", last ? result.status : exchange.status},
        {"statusText", exchange.statusText},
        {"httpVersion", "HTTP/1.1"},
        {"headers", headersJson(exchange.responseHeaders)},
        {"cookies", QJsonArray()},
        {"content", content(last ? exchange.bodyStart : QByteArray(), size,
                            headerValue(exchange.responseHeaders, "Content-Type"))},
        {"redirectURL", withoutCredentials(exchange.redirectUrl, nullptr)},
        {"headersSize", -1},
        {"bodySize", size}};
    if (last && result.failure != TrialRunFailure::None)
        response.insert("_error", result.failureDetail);
    qint64 time = exchange.milliseconds;
    if (last) {
        time = result.milliseconds;
        for (const auto& hop : result.redirects)
            time -= hop.milliseconds;
    }
    // Every request of a run is a page's, as browsers mark theirs (a redirect's answer has no
    // type of its own to tell it by).
    return {{"startedDateTime", exchange.started.toString(Qt::ISODateWithMs)},
            {"_resourceType", "document"},
            {"time", time},
            {"request", request},
            {"response", response},
            {"cache", QJsonObject()},
            {"timings", QJsonObject{{"send", 0}, {"wait", time}, {"receive", 0}}}};
}

} // namespace

QByteArray trialRunHar(const QList<TrialRunResult>& results)
{
    QJsonArray entries;
    // One entry a request that went over the wire: each redirect, then the answer read. The
    // step's first names it.
    for (const auto& result : results) {
        const auto record = result.record.lock();
        QString name = QStringLiteral("step %1").arg(result.position);
        if (record && !record->displayName.empty())
            name += QStringLiteral(": ") + QString::fromStdU16String(record->displayName);
        for (std::size_t hop = 0; hop <= result.redirects.size(); ++hop) {
            const bool last = hop == result.redirects.size();
            auto json = entry(last ? result.exchange : result.redirects[hop], result, last);
            if (hop == 0)
                json.insert("comment", name);
            entries.append(json);
        }
    }
    const QJsonObject log{
        {"version", "1.2"},
        {"creator",
         QJsonObject{{"name", "Waytrace"}, {"version", QString::fromLatin1(settings::kVersion)}}},
        {"entries", entries}};
    return QJsonDocument(QJsonObject{{"log", log}}).toJson(QJsonDocument::Indented);
}

} // namespace waytrace
