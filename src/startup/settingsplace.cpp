#include "startup/settingsplace.h"

#include "platform/folders.h"
#include "startup/modpub.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace modPub {

namespace {

const QString fileName = QStringLiteral("TLV.INI");

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

SettingsPlace settingsPlace(const std::optional<QByteArray> &folder)
{
    SettingsPlace place;
    const QString folderText = folder ? QFile::decodeName(*folder) : QString();
    const bool named = folder && !folder->isEmpty() && QFile::encodeName(folderText) == *folder;
    if (named)
        place.appPath = appPathFromFolder(folderText);
    if (named && platform::userMayWrite(*folder)) {
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
