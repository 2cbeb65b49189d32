#include "header_lines.h"

namespace waytrace {

namespace {

bool breaksTheLine(const QString& line)
{
    return line.contains(u'\r') || line.contains(u'\n') || line.contains(QChar(u'\0'));
}

} // namespace

QList<QPair<QByteArray, QByteArray>> parseHeaderLines(const QString& headers)
{
    QList<QPair<QByteArray, QByteArray>> lines;
    for (const auto& line : headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const auto colon = line.indexOf(u':');
        if (colon > 0 && !breaksTheLine(line))
            lines.append(
                {line.left(colon).trimmed().toLatin1(), line.mid(colon + 1).trimmed().toUtf8()});
    }
    return lines;
}

QString headerLinesFault(const QString& headers)
{
    for (const auto& line : headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        if (!breaksTheLine(line))
            continue;
        // Named, never quoted: the value may be a password.
        const auto colon = line.indexOf(u':');
        auto name = colon > 0 ? line.left(colon).trimmed().left(60) : QString();
        name.replace(u'\r', QStringLiteral("\\r"))
            .replace(u'\n', QStringLiteral("\\n"))
            .replace(QChar(u'\0'), QStringLiteral("\\0"));
        return name.isEmpty() ? QStringLiteral("a header line without a name holds a line break "
                                               "or NUL of its own")
                              : QStringLiteral("the header line \"%1\" holds a line break or NUL "
                                               "of its own")
                                    .arg(name);
    }
    return {};
}

HeaderUse headerUse(const QByteArray& name)
{
    const auto lower = name.trimmed().toLower();
    if (lower == "host" || lower == "content-length" || lower == "transfer-encoding" ||
        lower == "connection")
        return HeaderUse::Ignored;
    return HeaderUse::Sent;
}

} // namespace waytrace
