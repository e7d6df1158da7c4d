#include "platform/folders.h"

#include "platform/filename_posix.h"
#include "platform/links_posix.h"
#include "platform/scratchname.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool isFolder(const QByteArray &path)
{
    struct stat info = {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder's name without the separators at its end ("/" stays itself).
QByteArray withoutEndSeparators(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.first(slash);
}

std::optional<QByteArray> realPath(const QByteArray &path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(path.constData(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return QByteArray(resolved.get());
}

// The home as the rules for configuration folders read it: $HOME when it is
// an absolute name, else the user database's. The root folder only when the
// user database says so: an unset or emptied HOME must not put the settings
// at the root of the file system.
std::optional<QByteArray> homeFolder()
{
    const passwd *user = ::getpwuid(::geteuid());
    const QByteArray listed = user && user->pw_dir ? QByteArray(user->pw_dir) : QByteArray();
    const QByteArray variable = qgetenv("HOME");
    const QByteArray home = withoutEndSeparators(variable.startsWith('/') ? variable : listed);
    if (!home.startsWith('/') || (home == "/" && withoutEndSeparators(listed) != "/"))
        return std::nullopt;
    return home;
}

} // namespace

std::optional<QString> programFolder()
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
    return nameFromBytes(path.first(std::max<qsizetype>(slash, 1)));
}

// Installed by the package manager, which keeps no entry of its own to ask.
bool isInstallFolder(const QString &folder, const QString & /*installEntry*/)
{
    const QByteArray name = nameToBytes(folder);
    const std::optional<QByteArray> installed = realPath(TOLVARO_INSTALL_BINDIR);
    const QByteArray compared = realPath(name).value_or(withoutEndSeparators(name));
    return compared == installed.value_or(withoutEndSeparators(TOLVARO_INSTALL_BINDIR));
}

bool userOwnsWritableFolder(const QString &folder)
{
    struct stat info = {};
    return ::stat(nameToBytes(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::geteuid() && (info.st_mode & S_IWUSR) != 0;
}

// Each link on the way is judged as the file is, by its own owner and its
// own folder's; a link that leads nowhere is no file of the user's.
bool trustedFile(const QString &path)
{
    const std::optional<LinkEnd> end = followTrustedLinks(nameToBytes(path));
    if (!end)
        return false;
    struct stat file = {};
    if (::lstat(end->path.constData(), &file) != 0)
        return errno == ENOENT && !end->throughLink;
    return trustedOwner(file.st_uid, end->path);
}

bool writeWorks(const QString &file)
{
    const QByteArray probe = nameToBytes(scratchName(file));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // One byte, so that a full disk shows as well as a read-only one.
    const bool written = ::write(fd, "\n", 1) == 1;
    const bool closed = ::close(fd) == 0;
    const bool removed = ::unlink(probe.constData()) == 0;
    return written && closed && removed;
}

// The folder's name in small letters, as programs name theirs there.
std::optional<QString> userConfigFolder(const QString &application)
{
    const QByteArray name = nameToBytes(application.toLower());
    // A relative XDG_CONFIG_HOME is ignored, as the base-directory rules say:
    // it would name another folder from every working directory.
    const QByteArray configHome = withoutEndSeparators(qgetenv("XDG_CONFIG_HOME"));
    if (configHome.startsWith('/')) {
        // It may be made, but not a folder above it, which the user never named.
        if (!isFolder(configHome) && !isFolder(parentOf(configHome)))
            return std::nullopt;
        return nameFromBytes(configHome + '/' + name);
    }
    const std::optional<QByteArray> home = homeFolder();
    // A missing home is not made: the settings would go into a folder beside it.
    if (!home || !isFolder(*home))
        return std::nullopt;
    return nameFromBytes((*home == "/" ? QByteArray() : *home) + "/.config/" + name);
}

bool makeUserFolder(const QString &folder)
{
    const QByteArray path = withoutEndSeparators(nameToBytes(folder));
    if (isFolder(path))
        return true;
    if (path == "/" || !makeUserFolder(nameFromBytes(parentOf(path))))
        return false;
    return (::mkdir(path.constData(), 0700) == 0 || errno == EEXIST) && isFolder(path);
}

} // namespace platform
