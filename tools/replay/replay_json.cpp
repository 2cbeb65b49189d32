#include "replay_json.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace waytrace {

namespace {

// A JSON string literal with Qt's escaping.
QByteArray quoted(const QString& text)
{
    const auto array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray quoted(const std::u16string& text)
{
    return quoted(QString::fromStdU16String(text));
}

QByteArray recordJson(const UrlRecord& r)
{
    QByteArray out = "{";
    auto field = [&out](const char* name, const QByteArray& value) {
        if (out.size() > 1)
            out += ',';
        out += '"';
        out += name;
        out += "\":";
        out += value;
    };
    field("urladdress", quoted(r.urlAddress));
    field("displayname", quoted(r.displayName));
    field("url", "\"\""); // a field the record format declares and nothing fills
    field("httpmethod", r.method == HttpMethod::Post ? "\"P\"" : "\"G\"");
    field("querystring", quoted(r.postBody));
    field("headers", quoted(r.headers));
    field("matchcontent", quoted(r.requiredKeywords));
    field("unavailabilitystring", quoted(r.forbiddenKeywords));
    field("httpcondition", quoted(r.responseCondition));
    field("httpvalue", QByteArray::number(r.responseCode));
    field("username", quoted(r.userName));
    field("password", quoted(r.password));
    out += '}';
    return out;
}

} // namespace

QByteArray replayJson(const QStringList& cancelled, const RecordedSequence& sequence)
{
    QByteArray out = "{\"cancelled\":[";
    for (qsizetype i = 0; i < cancelled.size(); ++i) {
        if (i > 0)
            out += ',';
        out += quoted(cancelled[i]);
    }
    out += "],\"records\":[";
    bool first = true;
    for (const auto& record : sequence) {
        if (!first)
            out += ',';
        first = false;
        out += recordJson(*record);
    }
    out += "]}\n";
    return out;
}

} // namespace waytrace
