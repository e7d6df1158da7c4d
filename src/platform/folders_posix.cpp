#include "platform/folders.h"

#include <algorithm>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool inGroup(gid_t group)
{
    if (group == ::getegid())
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)));
    const int filled = std::max(::getgroups(count, groups.data()), 0);
    return std::find(groups.begin(), groups.begin() + filled, group) != groups.begin() + filled;
}

} // namespace

std::optional<QByteArray> programFolder()
{
    QByteArray path(4096, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), size_t(path.size()));
        if (length < 0)
            return std::nullopt;
        if (length < path.size()) {
            path.truncate(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return std::nullopt;
    return path.first(std::max<qsizetype>(slash, 1));
}

bool userMayWrite(const QByteArray &folder)
{
    struct stat info = {};
    if (::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    if (info.st_uid == ::geteuid())
        return info.st_mode & S_IWUSR;
    if (inGroup(info.st_gid))
        return info.st_mode & S_IWGRP;
    return info.st_mode & S_IWOTH;
}

} // namespace platform
