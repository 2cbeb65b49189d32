#include "har_import.h"

#include "core/recording_rule.h"
#include "core/seen_page.h"
#include "navigation/form_body.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <span>

namespace waytrace {

namespace {

// A header's value from a HAR name/value list; names compare without case (Firefox and Chromium
// spell them as sent, HTTP/2 in lower case).
QString headerValue(const QJsonArray& headers, QLatin1String name)
{
    for (const auto& header : headers) {
        const auto fields = header.toObject();
        if (fields.value(QLatin1String("name")).toString().compare(name, Qt::CaseInsensitive) == 0)
            return fields.value(QLatin1String("value")).toString();
    }
    return {};
}

// Whether an entry loaded a document into the top page or a frame: what the browser said it
// fetched the request for, then Chromium's own kind, then (a file with neither) what came back.
bool isNavigation(const QJsonObject& entry, const QJsonArray& requestHeaders)
{
    const QString destination =
        headerValue(requestHeaders, QLatin1String("Sec-Fetch-Dest")).toLower();
    if (!destination.isEmpty())
        return destination == u"document" || destination == u"iframe" || destination == u"frame";
    // A script's request says so, or asks for data rather than a page.
    if (headerValue(requestHeaders, QLatin1String("X-Requested-With"))
                .compare(QLatin1String("XMLHttpRequest"), Qt::CaseInsensitive) == 0 ||
        headerValue(requestHeaders, QLatin1String("Accept"))
            .startsWith(QLatin1String("application/json"), Qt::CaseInsensitive))
        return false;
    const auto kind = entry.value(QLatin1String("_resourceType"));
    if (kind.isString())
        return kind.toString().compare(QLatin1String("document"), Qt::CaseInsensitive) == 0;
    const QString type = entry.value(QLatin1String("response"))
                             .toObject()
                             .value(QLatin1String("content"))
                             .toObject()
                             .value(QLatin1String("mimeType"))
                             .toString()
                             .toLower();
    return type.startsWith(QLatin1String("text/html")) ||
           type.startsWith(QLatin1String("application/xhtml+xml"));
}

QUrl comparable(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
}

// Where an entry's answer redirected to, absolute: Chromium writes it so, Firefox as the raw
// Location, possibly relative; empty for an answer that is not a redirect.
QUrl redirectTarget(const QJsonObject& entry, const QUrl& from)
{
    const auto response = entry.value(QLatin1String("response")).toObject();
    const int status = response.value(QLatin1String("status")).toInt();
    if (status < 300 || status > 399)
        return {};
    QString location = response.value(QLatin1String("redirectURL")).toString();
    if (location.isEmpty())
        location = headerValue(response.value(QLatin1String("headers")).toArray(),
                               QLatin1String("Location"));
    return location.isEmpty() ? QUrl() : comparable(from.resolved(QUrl(location)));
}

struct ImportedBody
{
    FormBody body;
    bool exact = true;
    bool broken = false; // its type would add header lines of its own to the step
};

// The body as the recorder would have it: bytes, the Content-Type line, file contents left out.
ImportedBody bodyOf(const QJsonObject& request, const QJsonArray& headers)
{
    const auto postData = request.value(QLatin1String("postData")).toObject();
    QByteArray contentType = headerValue(headers, QLatin1String("Content-Type")).toLatin1();
    if (contentType.isEmpty())
        contentType = postData.value(QLatin1String("mimeType")).toString().toLatin1();
    if (contentType.contains('\r') || contentType.contains('\n') || contentType.contains('\0'))
        return {{}, false, true};
    const QString text = postData.value(QLatin1String("text")).toString();
    const auto params = postData.value(QLatin1String("params")).toArray();
    if (text.isEmpty() && !params.isEmpty()) {
        // Only the form's fields: sent again as a UTF-8 form, which the page may not have used.
        QList<FormEntry> entries;
        for (const auto& param : params) {
            const auto fields = param.toObject();
            entries.append({fields.value(QLatin1String("name")).toString().toUtf8(),
                            fields.value(QLatin1String("value")).toString().toUtf8(),
                            false,
                            {}});
        }
        return {serializeForm(entries, FormEncoding::UrlEncoded), false, false};
    }
    // No body at all (Chromium's multipart with a file) or one that lost bytes in decoding.
    const bool exact = !postData.isEmpty() && !text.contains(QChar::ReplacementCharacter);
    return {sentBody(text.toUtf8(), contentType), exact, false};
}

// What the answer showed, as the recorder keeps it for the test run to compare with: the status,
// the address, and where the HAR embeds the page, its title and text.
SeenPage seenOf(const QJsonObject& entry, const QUrl& url)
{
    const auto response = entry.value(QLatin1String("response")).toObject();
    const auto content = response.value(QLatin1String("content")).toObject();
    QString html;
    if (content.value(QLatin1String("mimeType")).toString().contains(QLatin1String("html"))) {
        html = content.value(QLatin1String("text")).toString();
        if (content.value(QLatin1String("encoding")).toString() == u"base64")
            html = QString::fromUtf8(QByteArray::fromBase64(html.toLatin1()));
    }
    return seenPageOf(response.value(QLatin1String("status")).toInt(),
                      url.toString(QUrl::FullyEncoded).toStdU16String(), html.toStdU16String());
}

} // namespace

std::variant<HarImport, SequenceFileFault> importHar(const QByteArray& bytes,
                                                     const QString& helpUrl)
{
    using Kind = SequenceFileFault::Kind;
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return notJsonFault(bytes, error);
    const auto entries =
        document.object().value(QLatin1String("log")).toObject().value(QLatin1String("entries"));
    if (!entries.isArray())
        return SequenceFileFault{Kind::NotSequence, 0, 0, {}, {}};

    HarImport imported;
    RecordedSequence sequence;
    const auto help = helpUrl.toStdU16String();
    QUrl redirectedTo; // where the last navigation's answer sent the browser, if anywhere
    RecordRef last;    // the step of that navigation
    for (const auto& value : entries.toArray()) {
        const auto entry = value.toObject();
        const auto request = entry.value(QLatin1String("request")).toObject();
        const QString method = request.value(QLatin1String("method")).toString().toUpper();
        const QUrl url(request.value(QLatin1String("url")).toString());
        const bool web = url.scheme() == u"http" || url.scheme() == u"https";
        if (method.isEmpty() || !url.isValid() || url.isRelative() ||
            (web && url.host().isEmpty())) {
            ++imported.broken;
            continue;
        }
        const auto headers = request.value(QLatin1String("headers")).toArray();
        if (!isNavigation(entry, headers)) {
            ++imported.notPages;
            continue;
        }
        const bool followUp = !redirectedTo.isEmpty() && comparable(url) == redirectedTo;
        redirectedTo = redirectTarget(entry, url);
        if (followUp) {
            ++imported.redirectFollowUps;
            // Where the step's redirects landed is what it showed.
            if (last)
                last->seen = seenOf(entry, url);
            continue;
        }
        ImportedBody body;
        if (method == u"POST")
            body = bodyOf(request, headers);
        if (body.broken) {
            ++imported.broken;
            continue;
        }
        const auto address = url.toString(QUrl::FullyEncoded).toStdU16String();
        const auto headerText = body.body.headers.toStdU16String();
        const Navigation navigation{
            address, headerText,
            std::span(reinterpret_cast<const std::uint8_t*>(body.body.postData.constData()),
                      static_cast<std::size_t>(body.body.postData.size()))};
        const auto recorded = applyRecordingRule(navigation, help, sequence).record;
        last = recorded;
        if (!recorded) {
            ++imported.notWeb;
            continue;
        }
        recorded->seen = seenOf(entry, url);
        if (!body.exact)
            imported.inexactBodies.push_back(static_cast<int>(sequence.count()));
    }
    imported.records.assign(sequence.begin(), sequence.end());
    return imported;
}

} // namespace waytrace
