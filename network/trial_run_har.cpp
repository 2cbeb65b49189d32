#include "trial_run_har.h"

#include "waytrace/build_settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUrl>

namespace waytrace {

namespace {

const QString kHidden = QStringLiteral("***");

QJsonArray headersJson(const TrialRunExchange::Headers& headers)
{
    QJsonArray array;
    for (const auto& [name, value] : headers) {
        const bool secret = name.compare("Authorization", Qt::CaseInsensitive) == 0 ||
                            name.compare("Proxy-Authorization", Qt::CaseInsensitive) == 0;
        array.append(QJsonObject{{"name", QString::fromLatin1(name)},
                                 {"value", secret ? kHidden : QString::fromLatin1(value)}});
    }
    return array;
}

QString withoutPassword(const QString& address)
{
    QUrl url(address);
    if (!url.password().isEmpty())
        url.setPassword(kHidden);
    return url.toString(QUrl::FullyEncoded);
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

QJsonObject entry(const TrialRunResult& result)
{
    const auto& exchange = result.exchange;
    QJsonObject request{{"method", QString::fromLatin1(exchange.method)},
                        {"url", withoutPassword(exchange.url)},
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
                                   {"text", QString::fromLatin1(exchange.requestBody)}});
    QJsonObject response{
        {"status", result.status},
        {"statusText", exchange.statusText},
        {"httpVersion", "HTTP/1.1"},
        {"headers", headersJson(exchange.responseHeaders)},
        {"cookies", QJsonArray()},
        {"content", content(exchange.bodyStart, result.size,
                            headerValue(exchange.responseHeaders, "Content-Type"))},
        {"redirectURL", ""},
        {"headersSize", -1},
        {"bodySize", result.size}};
    if (result.failure != TrialRunFailure::None)
        response.insert("_error", result.failureDetail);
    return {{"startedDateTime", exchange.started.toString(Qt::ISODateWithMs)},
            {"time", result.milliseconds},
            {"request", request},
            {"response", response},
            {"cache", QJsonObject()},
            {"timings", QJsonObject{{"send", 0}, {"wait", result.milliseconds}, {"receive", 0}}}};
}

} // namespace

QByteArray trialRunHar(const QList<TrialRunResult>& results)
{
    QJsonArray entries;
    for (const auto& result : results)
        entries.append(entry(result));
    const QJsonObject log{
        {"version", "1.2"},
        {"creator",
         QJsonObject{{"name", "Waytrace"}, {"version", QString::fromLatin1(settings::kVersion)}}},
        {"entries", entries}};
    return QJsonDocument(QJsonObject{{"log", log}}).toJson(QJsonDocument::Indented);
}

} // namespace waytrace
