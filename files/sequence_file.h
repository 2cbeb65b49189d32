#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>
#include <QJsonParseError>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace waytrace {

// A recorded sequence kept in a file: JSON, one field a line, readable and diffable. A format
// name and version come first, then whether passwords are in it, then the records with the
// fields and spellings that waytrace-replay prints. Every value goes back exactly as it was.
inline constexpr char kSequenceFormatName[] = "waytrace-sequence";
inline constexpr int kSequenceFormatVersion = 1;
// Larger than any sequence a person records; a file beyond it is not read whole.
inline constexpr qint64 kLargestSequenceFile = 512LL * 1024 * 1024;

// One record as the tools print it: its twelve fields in declaration order, compact.
QByteArray recordJson(const UrlRecord& record);

// The whole file. Passwords are written only when asked for; the file says whether they are.
QByteArray sequenceFileBytes(const RecordedSequence& sequence, bool withPasswords);

// Why a file could not be read, and where.
struct SequenceFileFault
{
    enum class Kind
    {
        NotJson,     // `line`: where the JSON breaks; `detail`: the parser's words
        NotSequence, // JSON, but not a sequence file
        Newer,       // `detail`: the file's format version
        BadField,    // `record` (1-based) and `field`: missing or not of its kind
        Cancelled,   // the progress said to stop
    };
    Kind kind;
    int line = 0;
    int record = 0;
    QString field;
    QString detail;
};

// The fault of bytes that are not JSON: the line where they break, in the parser's words.
SequenceFileFault notJsonFault(const QByteArray& bytes, const QJsonParseError& error);

struct SequenceFileContents
{
    std::vector<RecordRef> records;
    bool passwords = false; // whether the file holds them
};

// Told after each record how far the reading is, in bytes of the whole; false stops it.
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

// Reads a whole file, one record at a time (the file is never held as a tree: its records and
// its bytes are what it costs); a fault leaves nothing half read.
std::variant<SequenceFileContents, SequenceFileFault>
readSequenceFile(const QByteArray& bytes, const ReadProgress& progress = {});

} // namespace waytrace
