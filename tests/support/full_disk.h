#pragma once

// A real file system with no room left: a small tmpfs, mounted in a scratch folder, holding what
// a test places in it and then filled to its last byte. Mounting needs root; where it cannot be
// had, `unavailable()` says why and the test skips with it.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace waytrace::test {

class FullDisk
{
public:
    FullDisk()
    {
        if (geteuid() != 0)
            unavailable_ = "a full disk needs root, to mount a small tmpfs";
        else if (::mount("waytrace-full", folder_.path().toLocal8Bit().constData(), "tmpfs", 0,
                         "size=256k,mode=0755") != 0)
            unavailable_ = "cannot mount a small tmpfs: " + QByteArray(std::strerror(errno));
    }
    ~FullDisk()
    {
        if (unavailable_.isEmpty())
            umount2(folder_.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // Empty when the disk is there.
    [[nodiscard]] const QByteArray& unavailable() const { return unavailable_; }
    [[nodiscard]] QString filePath(const QString& name) const { return folder_.filePath(name); }

    // A file as it was before the disk filled up.
    bool place(const QString& name, const QByteArray& bytes) const
    {
        QFile file(filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
    }
    QByteArray contents(const QString& name) const
    {
        QFile file(filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    // Every byte taken: pages first, then what is left of the last one.
    void fill() const
    {
        const int filler = ::open(filePath(".filler").toLocal8Bit().constData(),
                                  O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const QByteArray page(4096, 'x');
        for (const qsizetype chunk : {qsizetype(4096), qsizetype(1)})
            while (::write(filler, page.constData(), static_cast<std::size_t>(chunk)) > 0) {
            }
        ::close(filler);
    }

private:
    QTemporaryDir folder_;
    QByteArray unavailable_;
};

} // namespace waytrace::test
