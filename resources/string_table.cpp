#include "string_table.h"

#include <QFile>

namespace waytrace {

QByteArray compiledStringTable()
{
    QFile file(QStringLiteral(":/waytrace/string_table.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace waytrace
