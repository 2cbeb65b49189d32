#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace waytrace {

// The header text a browser is given or reports ("Name: value" lines, each ending with CR LF) as
// name and value pairs, both trimmed. A line without a name before its colon is left out; a
// colon without a blank after it ("accept-charset:UTF-8,*") is fine.
QList<QPair<QByteArray, QByteArray>> parseHeaderLines(const QString& headers);

} // namespace waytrace
