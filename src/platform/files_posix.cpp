#include "platform/files.h"

#include "platform/filename_posix.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The file a save replaces: a symbolic link is followed to its target, so the
// link stays and the file it names gets the new content.
QByteArray replacedFile(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info = {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        QByteArray target(qsizetype(info.st_size) + 1, Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (length <= 0 || length >= target.size())
            return path;
        target.truncate(length);
        if (!target.startsWith('/'))
            target = path.first(path.lastIndexOf('/') + 1) + target;
        path = target;
    }
    return path;
}

} // namespace

bool fileExists(const QString &path)
{
    struct stat info = {};
    return ::stat(nameToBytes(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool hasWriteBit(const QString &path)
{
    struct stat info = {};
    return ::stat(nameToBytes(path).constData(), &info) == 0
        && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

OpenResult openForReading(const QString &path, QFile &file)
{
    // Without blocking, so that opening a pipe does not wait for a writer.
    const int fd
        = ::open(nameToBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? OpenResult::Missing : OpenResult::Failed;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return OpenResult::Failed;
    }
    return OpenResult::Opened;
}

bool replaceFile(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    const QByteArray target = replacedFile(nameToBytes(path));
    struct stat existing = {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && (S_ISDIR(existing.st_mode) || ::access(target.constData(), W_OK) != 0))
        return false;

    // The new content goes into a file of its own beside the old one, which
    // the rename then replaces in one step.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool written = !exists || ::fchmod(fd, existing.st_mode & 07777) == 0;
    {
        QFile file;
        written = written && file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)
            && write(file) && file.flush();
    }
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

} // namespace platform
