#include "file_writer.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <variant>

namespace waytrace {

namespace {

struct Target
{
    QByteArray path;
    bool inPlace = false; // not a regular file: opened and written, never replaced
};

int retried(const auto& call)
{
    int result = 0;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

// The file a path names, its links followed as editors follow them. A link into /proc names an
// open descriptor (/dev/stdout, /dev/fd/1): that is written in place, whatever it leads to.
std::variant<Target, int> resolve(QByteArray path)
{
    constexpr int kMostLinks = 40; // the kernel's own limit
    for (int links = 0; links <= kMostLinks; ++links) {
        const auto slash = path.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".") : path.left(qMax(slash, 1));
        const QByteArray name = path.mid(slash + 1);
        char real[PATH_MAX];
        if (realpath(folder.constData(), real) == nullptr)
            return errno;
        const QByteArray realFolder(real);
        if (realFolder == "/proc" || realFolder.startsWith("/proc/"))
            return Target{path, true};
        const QByteArray full = (realFolder == "/" ? QByteArray() : realFolder) + '/' + name;
        struct stat status = {};
        if (lstat(full.constData(), &status) != 0)
            return errno == ENOENT ? std::variant<Target, int>(Target{full, false})
                                   : std::variant<Target, int>(errno);
        if (!S_ISLNK(status.st_mode))
            return Target{full, !S_ISREG(status.st_mode)};
        char link[PATH_MAX];
        const auto length = readlink(full.constData(), link, sizeof link);
        if (length < 0)
            return errno;
        const QByteArray next(link, static_cast<int>(length));
        path = next.startsWith('/') ? next : realFolder + '/' + next;
    }
    return ELOOP;
}

// Read, never set: setting it for a moment would give a file another thread makes meanwhile
// (the browser engine's) every permission.
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const auto& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:"))
                return static_cast<mode_t>(line.mid(6).trimmed().toUInt(nullptr, 8));
    return 022;
}

} // namespace

FileWriter::FileWriter(QString path, FileAccess access) : path_(std::move(path)), access_(access) {}

FileWriter::~FileWriter()
{
    discard();
}

std::optional<QString> FileWriter::open()
{
    const auto resolved = resolve(path_.toLocal8Bit());
    if (const auto* error = std::get_if<int>(&resolved))
        return fail(*error);
    const auto& target = std::get<Target>(resolved);
    target_ = target.path;
    if (target.inPlace) {
        // Appending: a descriptor the shell opened with >> keeps what it holds.
        descriptor_ = retried(
            [this] { return ::open(target_.constData(), O_WRONLY | O_APPEND | O_CLOEXEC); });
        return descriptor_ < 0 ? fail(errno) : std::nullopt;
    }

    // Hidden beside it, its name cut so that the longest name a folder takes still fits.
    const auto slash = target_.lastIndexOf('/');
    QByteArray pattern =
        target_.left(slash + 1) + '.' + target_.mid(slash + 1).left(200) + ".XXXXXX";
    descriptor_ = mkostemp(pattern.data(), O_CLOEXEC); // made for the user alone
    if (descriptor_ < 0)
        return fail(errno);
    temporary_ = pattern;
    if (access_ == FileAccess::Kept) {
        struct stat old = {};
        const mode_t mode =
            stat(target_.constData(), &old) == 0 ? old.st_mode & 07777 : 0666 & ~currentUmask();
        if (fchmod(descriptor_, mode) != 0)
            return fail(errno);
    }
    return std::nullopt;
}

bool FileWriter::write(const QByteArray& bytes)
{
    if (error_ || descriptor_ < 0)
        return false;
    const char* data = bytes.constData();
    auto left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const auto written = ::write(descriptor_, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            fail(written < 0 ? errno : EIO);
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

std::optional<QString> FileWriter::commit()
{
    if (error_)
        return error_;
    if (descriptor_ < 0)
        return fail(EBADF);
    // Only what is on disk may replace the old file: a full disk often tells only here.
    if (!temporary_.isEmpty() && fsync(descriptor_) != 0)
        return fail(errno);
    const int descriptor = std::exchange(descriptor_, -1);
    if (::close(descriptor) != 0 && errno != EINTR)
        return fail(errno);
    if (temporary_.isEmpty())
        return std::nullopt;
    if (rename(temporary_.constData(), target_.constData()) != 0)
        return fail(errno);
    temporary_.clear();
    // The rename itself on disk too; a folder that cannot be synced has nothing more to lose.
    const auto slash = target_.lastIndexOf('/');
    const int folder = ::open(target_.left(qMax(slash, 1)).constData(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        ::close(folder);
    }
    return std::nullopt;
}

std::optional<QString> FileWriter::fail(int error)
{
    discard();
    if (!error_)
        error_ = qt_error_string(error);
    return error_;
}

void FileWriter::discard()
{
    if (descriptor_ >= 0)
        ::close(std::exchange(descriptor_, -1));
    if (!temporary_.isEmpty())
        unlink(std::exchange(temporary_, {}).constData());
}

std::optional<QString> writeFile(const QString& path, const QByteArray& bytes, FileAccess access)
{
    FileWriter file(path, access);
    if (auto error = file.open())
        return error;
    file.write(bytes);
    return file.commit();
}

} // namespace waytrace
