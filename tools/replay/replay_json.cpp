#include "replay_json.h"

#include "files/sequence_file.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace waytrace {

namespace {

// A JSON string literal with Qt's escaping.
QByteArray quoted(const QString& text)
{
    const auto array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

QByteArray replayJson(const QStringList& cancelled, const RecordedSequence& sequence)
{
    QByteArray out = "{\"cancelled\":[";
    for (qsizetype i = 0; i < cancelled.size(); ++i) {
        if (i > 0)
            out += ',';
        out += quoted(cancelled[i]);
    }
    out += "],\"records\":[";
    bool first = true;
    for (const auto& record : sequence) {
        if (!first)
            out += ',';
        first = false;
        out += recordJson(*record);
    }
    out += "]}\n";
    return out;
}

} // namespace waytrace
