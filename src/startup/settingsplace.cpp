#include "startup/settingsplace.h"

#include "startup/modpub.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace modPub {

namespace {

const QString fileName = QStringLiteral("TLV.INI");

bool inGroup(gid_t group)
{
    if (group == ::getegid())
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)));
    const int filled = ::getgroups(count, groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(filled, 0), group)
        != groups.begin() + std::max(filled, 0);
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

// A copy of the bytes into a new file, so that it is the user's to write even
// when the original is write-protected.
void copyBytes(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = source.readAll();
    QSaveFile target(to);
    if (source.error() != QFileDevice::NoError || !target.open(QIODevice::WriteOnly))
        return;
    if (target.write(bytes) == bytes.size())
        target.commit();
    else
        target.cancelWriting();
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

SettingsPlace settingsPlace(const std::optional<QByteArray> &folder)
{
    SettingsPlace place;
    const QString folderText = folder ? QFile::decodeName(*folder) : QString();
    const bool named = folder && !folder->isEmpty() && QFile::encodeName(folderText) == *folder;
    if (named)
        place.appPath = appPathFromFolder(folderText);
    if (named && userMayWrite(*folder)) {
        place.iniFile = place.appPath + fileName;
        return place;
    }

    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (userFolder.isEmpty())
        return place;
    QDir().mkpath(userFolder);
    place.iniFile = QDir(userFolder).filePath(fileName);
    const QString shipped = place.appPath + fileName;
    if (named && !QFileInfo::exists(place.iniFile) && QFileInfo(shipped).isFile())
        copyBytes(shipped, place.iniFile);
    return place;
}

} // namespace modPub
