#pragma once

#include "sequence_file.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <functional>
#include <optional>

namespace waytrace {

// Just enough of JSON's grammar to find where each value ends, so that a large file is walked one
// piece at a time and never held whole as a tree: Qt's parser reads each piece. Walks stop at the
// first fault, a break in the JSON (where it is, as a line of the whole bytes) or the caller's own.
class JsonPieces
{
public:
    using Fault = std::optional<SequenceFileFault>;

    explicit JsonPieces(const QByteArray& bytes) : bytes_(bytes) {}

    [[nodiscard]] qsizetype at() const { return at_; }
    // Where the next value starts, white space skipped.
    [[nodiscard]] qsizetype nextAt();
    [[nodiscard]] bool atEnd();
    // The next value's first character, or '\0' at the end.
    [[nodiscard]] char next();
    // The next value's bytes, whole; none where it does not end.
    std::optional<QByteArrayView> value();
    // Passes over the next value.
    Fault skip();

    // Where the bytes do not hold an object, why: Qt's parser says where they break, or that they
    // are JSON of another kind (NotSequence).
    Fault notAnObject();
    // Walks the object that comes next: `member` is called with each key, the walk at its value,
    // and reads that value (value(), skip() or a walk of its own).
    Fault members(const std::function<Fault(const QString& key)>& member);
    // Walks the array that comes next: `element` is called with each element's bytes.
    Fault elements(const std::function<Fault(QByteArrayView element)>& element);

    // A piece that holds an object, read by Qt's parser; none for a piece of another kind.
    Fault object(QByteArrayView piece, std::optional<QJsonObject>& out) const;
    // A scalar or small piece read by Qt's parser.
    Fault scalar(QByteArrayView piece, QJsonValue& out) const;

    // The fault of a break at `offset` of the whole bytes.
    [[nodiscard]] SequenceFileFault broken(QJsonParseError::ParseError kind,
                                           qsizetype offset) const;

private:
    bool take(char c);
    void skipSpace();
    bool skipString();

    const QByteArray& bytes_;
    qsizetype at_ = 0;
};

} // namespace waytrace
