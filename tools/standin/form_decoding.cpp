#include "form_decoding.h"

namespace waytrace::standin {

namespace {

QString decodeComponent(QByteArray bytes)
{
    bytes.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

} // namespace

QList<QPair<QString, QString>> decodeForm(const QByteArray& body)
{
    QList<QPair<QString, QString>> fields;
    for (const auto& pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const auto equals = pair.indexOf('=');
        if (equals < 0)
            fields.append({decodeComponent(pair), QString()});
        else
            fields.append(
                {decodeComponent(pair.left(equals)), decodeComponent(pair.mid(equals + 1))});
    }
    return fields;
}

} // namespace waytrace::standin
