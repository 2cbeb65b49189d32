#include "header_lines.h"

namespace waytrace {

QList<QPair<QByteArray, QByteArray>> parseHeaderLines(const QString& headers)
{
    QList<QPair<QByteArray, QByteArray>> lines;
    for (const auto& line : headers.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const auto colon = line.indexOf(u':');
        if (colon > 0)
            lines.append(
                {line.left(colon).trimmed().toLatin1(), line.mid(colon + 1).trimmed().toUtf8()});
    }
    return lines;
}

} // namespace waytrace
