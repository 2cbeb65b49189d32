#include "har_import.h"

#include "core/recording_rule.h"
#include "core/seen_page.h"
#include "json_pieces.h"
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

// Turns a HAR's entries, one at a time in their order, into the steps a recording would have.
class HarReader
{
public:
    explicit HarReader(const QString& helpUrl) : help_(helpUrl.toStdU16String()) {}

    void add(const QJsonObject& entry)
    {
        const auto request = entry.value(QLatin1String("request")).toObject();
        const QString method = request.value(QLatin1String("method")).toString().toUpper();
        const QUrl url(request.value(QLatin1String("url")).toString());
        const bool web = url.scheme() == u"http" || url.scheme() == u"https";
        if (method.isEmpty() || !url.isValid() || url.isRelative() ||
            (web && url.host().isEmpty())) {
            ++imported_.broken;
            return;
        }
        const auto headers = request.value(QLatin1String("headers")).toArray();
        if (!isNavigation(entry, headers)) {
            ++imported_.notPages;
            return;
        }
        const bool followUp = !redirectedTo_.isEmpty() && comparable(url) == redirectedTo_;
        redirectedTo_ = redirectTarget(entry, url);
        if (followUp) {
            ++imported_.redirectFollowUps;
            // Where the step's redirects landed is what it showed.
            if (last_)
                last_->seen = seenOf(entry, url);
            return;
        }
        ImportedBody body;
        if (method == u"POST")
            body = bodyOf(request, headers);
        if (body.broken) {
            ++imported_.broken;
            return;
        }
        const auto address = url.toString(QUrl::FullyEncoded).toStdU16String();
        const auto headerText = body.body.headers.toStdU16String();
        const Navigation navigation{
            address, headerText, method == u"POST" ? HttpMethod::Post : HttpMethod::Get,
            std::span(reinterpret_cast<const std::uint8_t*>(body.body.postData.constData()),
                      static_cast<std::size_t>(body.body.postData.size()))};
        last_ = applyRecordingRule(navigation, help_, sequence_).record;
        if (!last_) {
            ++imported_.notWeb;
            return;
        }
        last_->seen = seenOf(entry, url);
        if (!body.exact)
            imported_.inexactBodies.push_back(static_cast<int>(sequence_.count()));
    }

    HarImport finish()
    {
        imported_.records.assign(sequence_.begin(), sequence_.end());
        return std::move(imported_);
    }

private:
    std::u16string help_;
    HarImport imported_;
    RecordedSequence sequence_;
    QUrl redirectedTo_; // where the last navigation's answer sent the browser, if anywhere
    RecordRef last_;    // the step of that navigation
};

} // namespace

std::variant<HarImport, SequenceFileFault>
importHar(const QByteArray& bytes, const QString& helpUrl, const ReadProgress& progress)
{
    using Kind = SequenceFileFault::Kind;
    using Fault = JsonPieces::Fault;
    JsonPieces json(bytes);
    if (auto fault = json.notAnObject())
        return *fault;
    // log.entries is walked an entry at a time: a HAR of pages with their contents is large.
    HarReader reader(helpUrl);
    bool haveEntries = false;
    const auto readEntry = [&](QByteArrayView piece) -> Fault {
        std::optional<QJsonObject> entry;
        if (auto fault = json.object(piece, entry))
            return fault;
        reader.add(entry.value_or(QJsonObject()));
        if (progress && !progress(json.at(), bytes.size()))
            return SequenceFileFault{Kind::Cancelled, 0, 0, {}, {}};
        return std::nullopt;
    };
    const auto readLog = [&](const QString& key) -> Fault {
        if (key != QLatin1String("entries") || json.next() != '[')
            return json.skip();
        haveEntries = true;
        return json.elements(readEntry);
    };
    const auto fault = json.members([&](const QString& key) -> Fault {
        if (key != QLatin1String("log") || json.next() != '{')
            return json.skip();
        return json.members(readLog);
    });
    if (fault)
        return *fault;
    if (!json.atEnd())
        return json.broken(QJsonParseError::GarbageAtEnd, json.at());
    if (!haveEntries)
        return SequenceFileFault{Kind::NotSequence, 0, 0, {}, {}};
    return reader.finish();
}

} // namespace waytrace
