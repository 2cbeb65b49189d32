#include "capture_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextCodec>

namespace waytrace {

namespace {

// `text` in the charset of `codec`, as the engine encodes a form: what the charset cannot hold
// becomes a numeric character reference.
QByteArray encodedIn(QTextCodec& codec, const QString& text)
{
    QByteArray bytes;
    QString run; // characters the charset holds, encoded together: a stateful charset's escapes
    for (const char32_t character : QStringView(text).toUcs4()) {
        const auto one = QString::fromUcs4(&character, 1);
        if (codec.canEncode(one)) {
            run += one;
            continue;
        }
        bytes += codec.fromUnicode(run) + "&#" + QByteArray::number(character) + ';';
        run.clear();
    }
    return bytes + codec.fromUnicode(run);
}

// The capture script reports names and values already encoded in the form's charset, one
// character per byte, except where the page's script cannot encode that charset: then the
// report carries text and names the charset.
FormBody formBody(const QJsonObject& report)
{
    QTextCodec* codec = nullptr;
    if (const auto charset = report.value(QStringLiteral("charset")); charset.isString()) {
        codec = QTextCodec::codecForName(charset.toString().toLatin1());
        if (codec == nullptr) // one the engine knows and Qt does not: the body is not lost
            codec = QTextCodec::codecForName("UTF-8");
    }
    const auto bytes = [codec](const QJsonValue& value) {
        return codec ? encodedIn(*codec, value.toString()) : value.toString().toLatin1();
    };
    QList<FormEntry> entries;
    for (const auto& item : report.value(QStringLiteral("entries")).toArray()) {
        const auto entry = item.toArray();
        FormEntry formEntry;
        formEntry.name = bytes(entry.at(0));
        formEntry.value = bytes(entry.at(1));
        if (entry.size() > 2) {
            formEntry.isFile = true;
            formEntry.fileType = entry.at(2).toString().toUtf8();
        }
        entries.append(formEntry);
    }
    const auto encoding = formEncoding(report.value(QStringLiteral("enctype")).toString());
    return serializeForm(entries, encoding,
                         encoding == FormEncoding::Multipart ? newMultipartBoundary()
                                                             : QByteArray());
}

} // namespace

std::optional<CaptureReport> readCaptureReport(const QString& message, const QString& secret)
{
    if (!message.startsWith(secret))
        return std::nullopt;
    const auto report =
        QJsonDocument::fromJson(QStringView(message).mid(secret.size()).toUtf8()).object();
    CaptureReport read;
    read.kindName = report.value(QStringLiteral("kind")).toString();
    if (read.kindName == QLatin1String("form")) {
        read.kind = CaptureReport::Kind::Form;
        read.url = report.value(QStringLiteral("action")).toString();
        read.origin = report.value(QStringLiteral("origin")).toString();
        read.body = formBody(report);
        read.announced = report.value(QStringLiteral("announced")).toBool();
        read.rebuilt = report.value(QStringLiteral("rebuilt")).toBool();
    } else if (read.kindName == QLatin1String("load")) {
        read.kind = CaptureReport::Kind::Load;
        read.url = report.value(QStringLiteral("url")).toString();
    } else if (read.kindName == QLatin1String("document")) {
        read.kind = CaptureReport::Kind::Document;
    } else if (read.kindName == QLatin1String("navigate")) {
        read.kind = CaptureReport::Kind::Navigate;
        read.url = report.value(QStringLiteral("url")).toString();
    } else if (read.kindName == QLatin1String("passwords")) {
        read.kind = CaptureReport::Kind::Passwords;
        for (const auto& name : report.value(QStringLiteral("names")).toArray())
            if (name.isString())
                read.names.append(name.toString());
    }
    return read;
}

} // namespace waytrace
