#include "capture_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace waytrace {

namespace {

// The capture script reports names and values already encoded in the form's charset, one
// character per byte.
FormBody formBody(const QJsonObject& report)
{
    QList<FormEntry> entries;
    for (const auto& item : report.value(QStringLiteral("entries")).toArray()) {
        const auto entry = item.toArray();
        FormEntry formEntry;
        formEntry.name = entry.at(0).toString().toLatin1();
        formEntry.value = entry.at(1).toString().toLatin1();
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
        read.body = formBody(report);
    } else if (read.kindName == QLatin1String("load")) {
        read.kind = CaptureReport::Kind::Load;
        read.url = report.value(QStringLiteral("url")).toString();
    } else if (read.kindName == QLatin1String("document")) {
        read.kind = CaptureReport::Kind::Document;
    } else if (read.kindName == QLatin1String("navigate")) {
        read.kind = CaptureReport::Kind::Navigate;
        read.url = report.value(QStringLiteral("url")).toString();
    }
    return read;
}

} // namespace waytrace
