#include "sequence_file.h"

#include "core/secrets.h"
#include "json_pieces.h"

#include <QFileDevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <climits>
#include <iterator>

namespace waytrace {

namespace {

// A JSON string literal, escaped as Qt's writer escapes (so the tools print what they always
// did), but without a JSON document a field, which would cost more than the rest of the file.
// A lone surrogate is kept as its escape, so every value reads back exactly.
QByteArray jsonQuoted(std::u16string_view text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()) + 2);
    out += u'"';
    const auto escape = [&out](char16_t unit) {
        out += QStringLiteral("\\u%1").arg(static_cast<uint>(unit), 4, 16, QLatin1Char('0'));
    };
    const auto isHigh = [](char16_t unit) { return unit >= 0xd800 && unit <= 0xdbff; };
    const auto isLow = [](char16_t unit) { return unit >= 0xdc00 && unit <= 0xdfff; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == u'"' || unit == u'\\') {
            out += u'\\';
            out += QChar(unit);
        } else if (unit < 0x20) {
            static constexpr std::pair<char16_t, const char*> kShort[] = {
                {u'\b', "\\b"}, {u'\f', "\\f"}, {u'\n', "\\n"}, {u'\r', "\\r"}, {u'\t', "\\t"}};
            const auto* found =
                std::find_if(std::begin(kShort), std::end(kShort),
                             [unit](const auto& pair) { return pair.first == unit; });
            if (found != std::end(kShort))
                out += QLatin1String(found->second);
            else
                escape(unit);
        } else if (isHigh(unit) && i + 1 < text.size() && isLow(text[i + 1])) {
            out += QChar(unit);
            out += QChar(text[++i]);
        } else if (isHigh(unit) || isLow(unit)) {
            escape(unit); // a lone surrogate, which UTF-8 cannot carry
        } else {
            out += QChar(unit);
        }
    }
    out += u'"';
    return out.toUtf8();
}

// The record's fields as the tools name them, in declaration order.
using Field = std::pair<const char*, QByteArray>;
std::array<Field, 12> fieldsOf(const UrlRecord& r)
{
    return {{{"urladdress", jsonQuoted(r.urlAddress)},
             {"displayname", jsonQuoted(r.displayName)},
             {"url", "\"\""}, // a field the record format declares and nothing fills
             {"httpmethod", r.method == HttpMethod::Post ? "\"P\"" : "\"G\""},
             {"querystring", jsonQuoted(r.postBody)},
             {"headers", jsonQuoted(r.headers)},
             {"matchcontent", jsonQuoted(r.requiredKeywords)},
             {"unavailabilitystring", jsonQuoted(r.forbiddenKeywords)},
             {"httpcondition", jsonQuoted(conditionWords(r.responseCondition))},
             {"httpvalue", QByteArray::number(r.responseCode)},
             {"username", jsonQuoted(r.userName)},
             {"password", jsonQuoted(r.password)}}};
}

// The string fields in the order they are checked; the condition (null here) is read as words.
constexpr RecordTextField kTextFields[] = {&UrlRecord::urlAddress,
                                           &UrlRecord::displayName,
                                           &UrlRecord::postBody,
                                           &UrlRecord::headers,
                                           &UrlRecord::requiredKeywords,
                                           &UrlRecord::forbiddenKeywords,
                                           nullptr,
                                           &UrlRecord::userName,
                                           &UrlRecord::password};
constexpr const char* kTextFieldNames[] = {"urladdress",    "displayname",  "querystring",
                                           "headers",       "matchcontent", "unavailabilitystring",
                                           "httpcondition", "username",     "password"};

QByteArray namesJson(const std::vector<std::u16string>& names)
{
    QByteArray out = "[";
    for (const auto& name : names)
        out += (out.size() > 1 ? ", " : "") + jsonQuoted(name);
    return out + ']';
}

std::vector<std::u16string> namesFrom(const QJsonValue& value)
{
    std::vector<std::u16string> names;
    for (const auto& name : value.toArray())
        if (name.isString())
            names.push_back(name.toString().toStdU16String());
    return names;
}

// What a save without passwords left out, on one line.
QByteArray leftOutJson(const LeftOutSecrets& left)
{
    QByteArray out = "{";
    const auto add = [&out](const char* name, const QByteArray& value) {
        out += (out.size() > 1 ? ", \"" : "\"") + QByteArray(name) + "\": " + value;
    };
    if (left.password)
        add("password", "true");
    if (left.addressPassword)
        add("addresspassword", "true");
    if (!left.fields.empty())
        add("fields", namesJson(left.fields));
    if (!left.headerLines.empty())
        add("headerlines", namesJson(left.headerLines));
    return out + '}';
}

LeftOutSecrets leftOutFrom(const QJsonValue& value)
{
    const auto fields = value.toObject();
    return {fields.value(QLatin1String("password")).toBool(),
            fields.value(QLatin1String("addresspassword")).toBool(),
            namesFrom(fields.value(QLatin1String("fields"))),
            namesFrom(fields.value(QLatin1String("headerlines")))};
}

// What the page showed, on one line: it is compared, not read.
QByteArray seenJson(const SeenPage& seen)
{
    QByteArray out = "{\"status\": " + QByteArray::number(seen.status) +
                     ", \"final\": " + jsonQuoted(seen.finalUrl) +
                     ", \"title\": " + jsonQuoted(seen.title) + ", \"fingerprint\": [";
    for (std::size_t i = 0; i < seen.fingerprint.size(); ++i)
        out += (i > 0 ? "," : "") + QByteArray::number(seen.fingerprint[i]);
    out += "], \"lines\": [";
    for (std::size_t i = 0; i < seen.lines.size(); ++i)
        out += (i > 0 ? ", " : "") + jsonQuoted(seen.lines[i]);
    return out + "]}";
}

// What the page showed, if the record says it well enough; otherwise nothing (it only serves
// comparisons).
std::optional<SeenPage> seenFrom(const QJsonValue& value)
{
    const auto fields = value.toObject();
    const auto status = fields.value(QLatin1String("status"));
    const auto fingerprint = fields.value(QLatin1String("fingerprint"));
    if (!value.isObject() || !status.isDouble() || !fingerprint.isArray())
        return std::nullopt;
    SeenPage seen;
    seen.status = status.toInt();
    seen.finalUrl = fields.value(QLatin1String("final")).toString().toStdU16String();
    seen.title = fields.value(QLatin1String("title")).toString().toStdU16String();
    for (const auto& hash : fingerprint.toArray()) {
        if (!hash.isDouble() || hash.toDouble() < 0 || hash.toDouble() > UINT32_MAX)
            return std::nullopt;
        seen.fingerprint.push_back(static_cast<std::uint32_t>(hash.toDouble()));
    }
    // Quoted in a difference only: a few short lines at most, whatever the file says.
    for (const auto& line : fields.value(QLatin1String("lines")).toArray())
        if (line.isString() && seen.lines.size() < kSeenLines)
            seen.lines.push_back(line.toString().left(kSeenLineLength).toStdU16String());
    std::sort(seen.fingerprint.begin(), seen.fingerprint.end());
    seen.fingerprint.erase(std::unique(seen.fingerprint.begin(), seen.fingerprint.end()),
                           seen.fingerprint.end());
    return seen;
}

// One record of a file; none, and `fault` says why, when a field is missing or not of its kind.
// The password may be missing: whether the file should hold it is known at its end.
RecordRef readRecord(const QJsonObject& fields, bool isObject, int index,
                     std::optional<SequenceFileFault>& fault)
{
    const auto bad = [&](const char* field) {
        fault = SequenceFileFault{
            SequenceFileFault::Kind::BadField, 0, index, QString::fromLatin1(field), {}};
        return nullptr;
    };
    if (!isObject)
        return bad("");
    auto record = std::make_shared<UrlRecord>();
    for (std::size_t f = 0; f < std::size(kTextFields); ++f) {
        const auto value = fields.value(QLatin1String(kTextFieldNames[f]));
        if (value.isUndefined() && kTextFields[f] == &UrlRecord::password)
            continue;
        if (!value.isString())
            return bad(kTextFieldNames[f]);
        auto text = value.toString().toStdU16String();
        if (kTextFields[f])
            (*record).*kTextFields[f] = std::move(text);
        else
            record->responseCondition = readResponseCondition(text);
    }
    const auto method = fields.value(QLatin1String("httpmethod")).toString();
    if (method != u"G" && method != u"P")
        return bad("httpmethod");
    record->method = method == u"P" ? HttpMethod::Post : HttpMethod::Get;
    const auto code = fields.value(QLatin1String("httpvalue"));
    if (!code.isDouble() || code.toDouble() != code.toInt() || code.toInt() < INT16_MIN ||
        code.toInt() > INT16_MAX)
        return bad("httpvalue");
    record->responseCode = static_cast<std::int16_t>(code.toInt());
    record->bodyUnconfirmed = fields.value(QLatin1String("bodyUnconfirmed")).toBool();
    record->fromFrame = fields.value(QLatin1String("fromFrame")).toBool();
    record->fromNewWindow = fields.value(QLatin1String("fromNewWindow")).toBool();
    record->passwordFields = namesFrom(fields.value(QLatin1String("passwordfields")));
    record->leftOut = leftOutFrom(fields.value(QLatin1String("leftout")));
    record->seen = seenFrom(fields.value(QLatin1String("seen")));
    return record;
}

} // namespace

QByteArray recordJson(const UrlRecord& record)
{
    QByteArray out = "{";
    for (const auto& [name, value] : fieldsOf(record)) {
        if (out.size() > 1)
            out += ',';
        out += '"' + QByteArray(name) + "\":" + value;
    }
    return out + '}';
}

QByteArray sequenceFileBytes(const RecordedSequence& sequence, bool withPasswords)
{
    QByteArray out = "{\n  \"format\": \"" + QByteArray(kSequenceFormatName) +
                     "\",\n  \"version\": " + QByteArray::number(kSequenceFormatVersion) +
                     ",\n  \"passwords\": " + (withPasswords ? "true" : "false") +
                     ",\n  \"records\": [";
    bool first = true;
    for (const auto& shared : sequence) {
        std::optional<UrlRecord> stripped;
        const UrlRecord& record =
            withPasswords ? *shared : stripped.emplace(withoutSecrets(*shared));
        out += first ? "\n    {" : ",\n    {";
        first = false;
        bool firstField = true;
        for (const auto& [name, value] : fieldsOf(record)) {
            const bool password = qstrcmp(name, "password") == 0;
            if (password && !withPasswords)
                continue;
            out += firstField ? "\n      \"" : ",\n      \"";
            firstField = false;
            out += name + QByteArray("\": ") + value;
        }
        if (record.bodyUnconfirmed)
            out += ",\n      \"bodyUnconfirmed\": true";
        if (record.fromFrame)
            out += ",\n      \"fromFrame\": true";
        if (record.fromNewWindow)
            out += ",\n      \"fromNewWindow\": true";
        if (!record.passwordFields.empty())
            out += ",\n      \"passwordfields\": " + namesJson(record.passwordFields);
        if (!record.leftOut.empty())
            out += ",\n      \"leftout\": " + leftOutJson(record.leftOut);
        if (record.seen)
            out += ",\n      \"seen\": " + seenJson(*record.seen);
        out += "\n    }";
    }
    return out + (first ? "]\n}\n" : "\n  ]\n}\n");
}

SequenceFileFault notJsonFault(const QByteArray& bytes, const QJsonParseError& error)
{
    const int line = static_cast<int>(bytes.left(error.offset).count('\n')) + 1;
    return {SequenceFileFault::Kind::NotJson, line, 0, {}, error.errorString()};
}

std::variant<SequenceFileContents, SequenceFileFault> readSequenceFile(const QByteArray& bytes,
                                                                       const ReadProgress& progress)
{
    using Kind = SequenceFileFault::Kind;
    using Fault = JsonPieces::Fault;
    JsonPieces json(bytes);
    if (auto fault = json.notAnObject())
        return *fault;

    SequenceFileContents contents;
    QJsonObject top; // the small values; the records are read as they come
    bool haveRecords = false;
    std::optional<SequenceFileFault> recordFault;
    int lackingPassword = 0; // the first record without one, for a file that says it has them
    int index = 0;
    const auto readNext = [&](QByteArrayView piece) -> Fault {
        ++index;
        if (!recordFault) {
            std::optional<QJsonObject> fields;
            if (auto fault = json.object(piece, fields))
                return fault;
            auto record =
                readRecord(fields.value_or(QJsonObject()), fields.has_value(), index, recordFault);
            if (record && lackingPassword == 0 && !fields->contains(QLatin1String("password")))
                lackingPassword = index;
            if (record)
                contents.records.push_back(std::move(record));
        }
        if (progress && !progress(json.at(), bytes.size()))
            return SequenceFileFault{Kind::Cancelled, 0, 0, {}, {}};
        return std::nullopt;
    };
    const auto fault = json.members([&](const QString& key) -> Fault {
        if (key == QLatin1String("records") && json.next() == '[') {
            haveRecords = true;
            return json.elements(readNext);
        }
        // Only the format's own small values are read; anything else is passed over.
        if (key != QLatin1String("format") && key != QLatin1String("version") &&
            key != QLatin1String("passwords"))
            return json.skip();
        const qsizetype valueStart = json.nextAt();
        const auto piece = json.value();
        if (!piece)
            return json.broken(QJsonParseError::IllegalValue, valueStart);
        QJsonValue value;
        if (auto broken = json.scalar(*piece, value))
            return broken;
        top.insert(key, value);
        return std::nullopt;
    });
    if (fault)
        return *fault;
    if (!json.atEnd())
        return json.broken(QJsonParseError::GarbageAtEnd, json.at());

    if (top.value(QLatin1String("format")).toString() != QLatin1String(kSequenceFormatName) ||
        !haveRecords)
        return SequenceFileFault{Kind::NotSequence, 0, 0, {}, {}};
    const auto version = top.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() > kSequenceFormatVersion)
        return SequenceFileFault{Kind::Newer, 0, 0, {}, version.toVariant().toString()};
    if (recordFault)
        return *recordFault;
    contents.passwords = top.value(QLatin1String("passwords")).toBool();
    if (contents.passwords && lackingPassword > 0)
        return SequenceFileFault{
            Kind::BadField, 0, lackingPassword, QStringLiteral("password"), {}};
    // Files of earlier versions say only that the passwords are not in them.
    if (!contents.passwords)
        for (const auto& record : contents.records)
            record->leftOut.password = record->leftOut.password || !record->userName.empty();
    return contents;
}

} // namespace waytrace
