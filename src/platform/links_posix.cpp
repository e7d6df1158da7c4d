#include "platform/links_posix.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// As many links as the system follows in one name before it gives up (ELOOP).
constexpr int maxLinks = 40;

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
}

} // namespace

bool trustedOwner(uid_t owner, const QByteArray &path)
{
    if (owner == ::geteuid() || owner == 0)
        return true;
    struct stat folder = {};
    return ::stat(folderOf(path).constData(), &folder) == 0 && folder.st_uid == owner;
}

std::optional<LinkEnd> followTrustedLinks(QByteArray path)
{
    LinkEnd end;
    for (int depth = 0; depth < maxLinks; ++depth) {
        struct stat info = {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            end.path = std::move(path);
            return end;
        }
        if (!trustedOwner(info.st_uid, path))
            return std::nullopt;
        QByteArray target(qsizetype(info.st_size) + 1, Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (length <= 0 || length >= target.size())
            return std::nullopt;
        target.truncate(length);
        if (!target.startsWith('/'))
            target = path.first(path.lastIndexOf('/') + 1) + target;
        path = std::move(target);
        end.throughLink = true;
    }
    return std::nullopt;
}

} // namespace platform
