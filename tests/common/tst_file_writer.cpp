#include "common/file_writer.h"

#include "../support/full_disk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace waytrace;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

mode_t kindOf(const QString& path)
{
    struct stat status = {};
    lstat(path.toLocal8Bit().constData(), &status);
    return status.st_mode & S_IFMT;
}

} // namespace

class TestFileWriter : public QObject
{
    Q_OBJECT

private slots:
    // Replaced whole; the mode asked for, or the old file's; a place that cannot be written
    // says so and leaves nothing behind.
    void regularFilesReplacedWhole()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("shop.waytrace.json");
        QVERIFY(!writeFile(path, "first", FileAccess::OwnerOnly));
        QVERIFY(!writeFile(path, "second", FileAccess::OwnerOnly));
        QCOMPARE(contents(path), QByteArray("second"));
        QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(!writeFile(path, "third"));
        QVERIFY(QFileInfo(path).permissions() & QFile::ReadGroup);

        QVERIFY(writeFile(folder.filePath("missing/x.json"), "x").has_value());
        {
            FileWriter unfinished(folder.filePath("unfinished"));
            QVERIFY(!unfinished.open());
            QVERIFY(unfinished.write("never committed"));
        }
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"shop.waytrace.json"});
    }

    // A link is written through to its target, even one not there yet, and stays a link.
    void linksWrittenThrough()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("real"));
        QVERIFY(QFile::link("real/kept.json", folder.filePath("link")));
        QVERIFY(!writeFile(folder.filePath("link"), "through"));
        QCOMPARE(kindOf(folder.filePath("link")), S_IFLNK);
        QCOMPARE(contents(folder.filePath("real/kept.json")), QByteArray("through"));
    }

    // What is no regular file is written to, never replaced: a FIFO, a device, an open
    // descriptor reached through /proc; a socket cannot be written and stays one.
    void othersWrittenInPlace()
    {
        QTemporaryDir folder;
        const QString fifo = folder.filePath("fifo");
        QVERIFY(mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
        QByteArray read;
        std::thread reader([&] {
            QFile in(fifo);
            if (in.open(QIODevice::ReadOnly))
                read = in.readAll();
        });
        QVERIFY(!writeFile(fifo, "down the pipe"));
        reader.join();
        QCOMPARE(read, QByteArray("down the pipe"));
        QCOMPARE(kindOf(fifo), S_IFIFO);

        int pipeEnds[2];
        QVERIFY(pipe(pipeEnds) == 0);
        const QString descriptor = folder.filePath("stdout");
        QVERIFY(QFile::link(QStringLiteral("/proc/self/fd/%1").arg(pipeEnds[1]), descriptor));
        QVERIFY(!writeFile(descriptor, "to the descriptor"));
        char got[64] = {};
        QCOMPARE(::read(pipeEnds[0], got, sizeof got), qsizetype(17));
        QCOMPARE(QByteArray(got), QByteArray("to the descriptor"));
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);

        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, folder.filePath("socket").toLocal8Bit().constData(),
                 sizeof address.sun_path);
        QVERIFY(bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        QVERIFY(writeFile(folder.filePath("socket"), "x").has_value());
        QCOMPARE(kindOf(folder.filePath("socket")), S_IFSOCK);
        ::close(socket);

        if (geteuid() != 0)
            QSKIP("device nodes need root to be made");
        const QString null = folder.filePath("null");
        const QString full = folder.filePath("full");
        QVERIFY(mknod(null.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
        QVERIFY(mknod(full.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 7)) == 0);
        QVERIFY(!writeFile(null, "gone"));
        QCOMPARE(kindOf(null), S_IFCHR);
        QVERIFY(writeFile(full, "no room").has_value());
        QCOMPARE(kindOf(full), S_IFCHR);
        // A RAM disk's block node (there is rarely such a disk: then it cannot be opened),
        // written into or refused, stays a device.
        const QString block = folder.filePath("block");
        QVERIFY(mknod(block.toLocal8Bit().constData(), S_IFBLK | 0600, makedev(1, 250)) == 0);
        writeFile(block, "x");
        QCOMPARE(kindOf(block), S_IFBLK);
    }

    // A full disk refuses the save and keeps the old file as it was.
    void fullDiskKeepsTheOldFile()
    {
        test::FullDisk disk;
        if (!disk.unavailable().isEmpty())
            QSKIP(disk.unavailable().constData());
        QVERIFY(disk.place("kept.json", "the old sequence"));
        disk.fill();
        QVERIFY(writeFile(disk.filePath("kept.json"), QByteArray(64, 'n')).has_value());
        QCOMPARE(disk.contents("kept.json"), QByteArray("the old sequence"));
        QCOMPARE(QDir(QFileInfo(disk.filePath("kept.json")).path()).entryList(QDir::Files),
                 QStringList{"kept.json"});
    }
};

QTEST_APPLESS_MAIN(TestFileWriter)
#include "tst_file_writer.moc"
