#pragma once

#include <QJsonArray>
#include <QString>

#include <optional>

namespace waytrace::standin {

// Reads a sequence document with a real XML parser: one JSON object per Url element, with its
// attributes and child elements. Nothing when the document is not well-formed or has no
// URLSequence root; `error` then says why.
std::optional<QJsonArray> readSequenceDocument(const QString& document, QString& error);

} // namespace waytrace::standin
