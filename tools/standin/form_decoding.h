#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace waytrace::standin {

// Decodes an application/x-www-form-urlencoded body as ordinary servers do: fields split at
// "&", name and value at the first "=", "+" is a blank, "%XX" a byte, then UTF-8.
QList<QPair<QString, QString>> decodeForm(const QByteArray& body);

} // namespace waytrace::standin
