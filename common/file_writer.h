#pragma once

// The one way every program here writes a file. A regular file (or a link to one) is written
// whole or not at all: the bytes go to a temporary file beside it, every write, the flush and the
// sync are checked, and only then is it renamed over the old one. Anything else the path names
// (a device, a FIFO, a socket, an open descriptor such as /dev/stdout) is opened and written to,
// never replaced: /dev/null stays the system's.

#include <QByteArray>
#include <QString>

#include <optional>

namespace waytrace {

enum class FileAccess
{
    Kept,      // a new file as the umask says; a replaced one keeps its mode
    OwnerOnly, // read and written by the user alone: the file may hold passwords
};

class FileWriter
{
public:
    explicit FileWriter(QString path, FileAccess access = FileAccess::Kept);
    ~FileWriter(); // what was not committed is removed, the old file left as it was
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // The system's words when the file cannot be written at all.
    std::optional<QString> open();
    // False once a write failed; later writes do nothing and commit() says why.
    bool write(const QByteArray& bytes);
    // Puts what was written in place; the system's words when it could not, the old file kept.
    std::optional<QString> commit();

private:
    std::optional<QString> fail(int error);
    void discard();

    QString path_;
    FileAccess access_;
    QByteArray target_;    // the file written: the path, its links followed
    QByteArray temporary_; // beside the target; empty when written in place
    int descriptor_ = -1;
    std::optional<QString> error_;
};

// The bytes written whole through a FileWriter; the system's words when they could not be.
std::optional<QString> writeFile(const QString& path, const QByteArray& bytes,
                                 FileAccess access = FileAccess::Kept);

} // namespace waytrace
