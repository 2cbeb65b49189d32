#include "json_pieces.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <climits>

namespace waytrace {

qsizetype JsonPieces::nextAt()
{
    skipSpace();
    return at_;
}

bool JsonPieces::atEnd()
{
    skipSpace();
    return at_ >= bytes_.size();
}

char JsonPieces::next()
{
    skipSpace();
    return at_ < bytes_.size() ? bytes_[at_] : '\0';
}

std::optional<QByteArrayView> JsonPieces::value()
{
    skipSpace();
    const qsizetype start = at_;
    if (at_ >= bytes_.size())
        return std::nullopt;
    const char first = bytes_[at_];
    if (first == '"') {
        if (!skipString())
            return std::nullopt;
    } else if (first == '{' || first == '[') {
        int depth = 0;
        do {
            const char c = bytes_[at_];
            if (c == '"') {
                if (!skipString())
                    return std::nullopt;
                continue;
            }
            depth += c == '{' || c == '[' ? 1 : c == '}' || c == ']' ? -1 : 0;
            ++at_;
        } while (depth > 0 && at_ < bytes_.size());
        if (depth > 0)
            return std::nullopt;
    } else {
        while (at_ < bytes_.size() && !QByteArrayView(",}] \t\r\n").contains(bytes_[at_]))
            ++at_;
        if (at_ == start)
            return std::nullopt;
    }
    return QByteArrayView(bytes_).sliced(start, at_ - start);
}

JsonPieces::Fault JsonPieces::skip()
{
    const qsizetype start = nextAt();
    if (!value())
        return broken(QJsonParseError::IllegalValue, start);
    return std::nullopt;
}

JsonPieces::Fault JsonPieces::notAnObject()
{
    if (next() == '{')
        return std::nullopt;
    QJsonParseError error{};
    QJsonDocument::fromJson(bytes_, &error);
    if (error.error != QJsonParseError::NoError)
        return notJsonFault(bytes_, error);
    return SequenceFileFault{SequenceFileFault::Kind::NotSequence, 0, 0, {}, {}};
}

JsonPieces::Fault JsonPieces::members(const std::function<Fault(const QString& key)>& member)
{
    if (!take('{'))
        return broken(QJsonParseError::IllegalValue, at_);
    if (take('}'))
        return std::nullopt;
    while (true) {
        const qsizetype keyStart = nextAt();
        const auto keyPiece = value();
        if (!keyPiece || !keyPiece->startsWith('"'))
            return broken(QJsonParseError::IllegalValue, keyStart);
        QJsonValue key;
        if (auto fault = scalar(*keyPiece, key))
            return fault;
        if (!take(':'))
            return broken(QJsonParseError::MissingNameSeparator, at_);
        if (auto fault = member(key.toString()))
            return fault;
        if (take('}'))
            return std::nullopt;
        if (!take(','))
            return broken(QJsonParseError::UnterminatedObject, at_);
    }
}

JsonPieces::Fault JsonPieces::elements(const std::function<Fault(QByteArrayView element)>& element)
{
    if (!take('['))
        return broken(QJsonParseError::IllegalValue, at_);
    if (take(']'))
        return std::nullopt;
    while (true) {
        const qsizetype start = nextAt();
        const auto piece = value();
        if (!piece)
            return broken(QJsonParseError::UnterminatedArray, start);
        if (auto fault = element(*piece))
            return fault;
        if (take(']'))
            return std::nullopt;
        if (!take(','))
            return broken(QJsonParseError::MissingValueSeparator, at_);
    }
}

JsonPieces::Fault JsonPieces::object(QByteArrayView piece, std::optional<QJsonObject>& out) const
{
    out.reset();
    if (!piece.startsWith('{'))
        return std::nullopt;
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(piece.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        return broken(error.error, (piece.data() - bytes_.constData()) + error.offset);
    out = document.object();
    return std::nullopt;
}

JsonPieces::Fault JsonPieces::scalar(QByteArrayView piece, QJsonValue& out) const
{
    // Qt's parser reads only objects and arrays: the piece is read as an array's one element.
    QJsonParseError error{};
    out = QJsonDocument::fromJson('[' + piece.toByteArray() + ']', &error).array().at(0);
    if (error.error != QJsonParseError::NoError)
        return broken(error.error,
                      (piece.data() - bytes_.constData()) + std::max(0, error.offset - 1));
    return std::nullopt;
}

SequenceFileFault JsonPieces::broken(QJsonParseError::ParseError kind, qsizetype offset) const
{
    QJsonParseError error{};
    error.error = kind;
    error.offset = static_cast<int>(std::min<qsizetype>(offset, INT_MAX));
    return notJsonFault(bytes_, error);
}

bool JsonPieces::take(char c)
{
    skipSpace();
    if (at_ >= bytes_.size() || bytes_[at_] != c)
        return false;
    ++at_;
    return true;
}

void JsonPieces::skipSpace()
{
    while (at_ < bytes_.size() && QByteArrayView(" \t\r\n").contains(bytes_[at_]))
        ++at_;
}

bool JsonPieces::skipString()
{
    for (++at_; at_ < bytes_.size(); ++at_) {
        if (bytes_[at_] == '\\')
            ++at_;
        else if (bytes_[at_] == '"')
            return ++at_, true;
    }
    return false;
}

} // namespace waytrace
