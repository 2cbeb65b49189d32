#include "sequence_reading.h"

#include <QJsonObject>
#include <QXmlStreamReader>

namespace waytrace::standin {

namespace {

QJsonObject attributesOf(const QXmlStreamReader& xml)
{
    QJsonObject object;
    for (const auto& attribute : xml.attributes())
        object.insert(attribute.name().toString(), attribute.value().toString());
    return object;
}

} // namespace

std::optional<QJsonArray> readSequenceDocument(const QString& document, QString& error)
{
    QXmlStreamReader xml(document);
    QJsonArray urls;
    QJsonObject url;
    bool sawRoot = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name().toString();
            if (name == QLatin1String("URLSequence")) {
                sawRoot = true;
            } else if (name == QLatin1String("Url")) {
                url = attributesOf(xml);
            } else if (name == QLatin1String("HTTPResponseCode") ||
                       name == QLatin1String("AuthInfo")) {
                url.insert(name, attributesOf(xml));
            } else if (name != QLatin1String("AlertCondition")) {
                url.insert(name, xml.readElementText());
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("Url")) {
            urls.append(url);
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("line %1, column %2: %3")
                    .arg(xml.lineNumber())
                    .arg(xml.columnNumber())
                    .arg(xml.errorString());
        return std::nullopt;
    }
    if (!sawRoot) {
        error = QStringLiteral("no URLSequence element");
        return std::nullopt;
    }
    return urls;
}

} // namespace waytrace::standin
