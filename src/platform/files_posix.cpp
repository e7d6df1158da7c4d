#include "platform/files.h"

#include "platform/filename_posix.h"
#include "platform/links_posix.h"
#include "platform/scratchname.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// Links are followed as links_posix.h says: one that another user made
// counts as no file at all.
bool fileExists(const QString &path)
{
    const std::optional<LinkEnd> end = followTrustedLinks(nameToBytes(path));
    struct stat info = {};
    return end && ::lstat(end->path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool hasWriteBit(const QString &path)
{
    struct stat info = {};
    return ::stat(nameToBytes(path).constData(), &info) == 0
        && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

OpenResult openForReading(const QString &path, QFile &file)
{
    const std::optional<LinkEnd> end = followTrustedLinks(nameToBytes(path));
    if (!end)
        return OpenResult::Failed;
    // Without blocking, so that opening a pipe does not wait for a writer;
    // never through a link that took the place of the one just followed.
    const int fd
        = ::open(end->path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
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
    // A link the user may rely on stays, and the file it names gets the new
    // content; a save never makes a file where a link points, nor writes
    // through a link of another user.
    const std::optional<LinkEnd> end = followTrustedLinks(nameToBytes(path));
    if (!end)
        return false;
    const QByteArray &target = end->path;
    struct stat existing = {};
    const bool exists = ::lstat(target.constData(), &existing) == 0;
    if (exists ? S_ISDIR(existing.st_mode) || ::access(target.constData(), W_OK) != 0
               : end->throughLink)
        return false;

    // The new content goes into a file of its own beside the old one, which
    // the rename then replaces in one step.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = nameToBytes(scratchName(nameFromBytes(target)));
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
