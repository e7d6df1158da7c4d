#include "startup/settingsplace.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "startup/modpub.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace modPub {

namespace {

// The program's names where the platform's rules look for it: the settings
// file, the per-user folder (as each system's users expect it written) and
// the installer's entry in the installed-programs list (Windows).
const QString fileName = u"TLV.INI"_s;
const QString applicationName = u"Tolvaro"_s;
const QString installEntry = u"Tolvaro"_s;

// A copy of the bytes into a new file, so that it is the user's to write even
// when the original is write-protected.
void copyBytes(const QString &from, const QString &to)
{
    QFile source;
    if (platform::openForReading(from, source) != platform::OpenResult::Opened)
        return;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return;
    platform::replaceFile(
        to, [&bytes](QIODevice &target) { return target.write(bytes) == bytes.size(); });
}

} // namespace

SettingsPlace settingsPlace(const std::optional<QString> &folder)
{
    SettingsPlace place;
    if (folder && !folder->isEmpty())
        place.appPath = appPathFromFolder(*folder);
    const QString besideProgram = place.appPath.isEmpty() ? QString() : place.appPath + fileName;
    const bool hasFile = !besideProgram.isEmpty() && platform::fileExists(besideProgram);
    // Asked even where no file is found: a link another user put there is
    // planted too, wherever it leads.
    const bool planted = !besideProgram.isEmpty() && !platform::trustedFile(besideProgram);

    if (!besideProgram.isEmpty() && !planted && !platform::isInstallFolder(*folder, installEntry)
        && platform::userOwnsWritableFolder(*folder) && platform::writeWorks(besideProgram)) {
        place.iniFile = besideProgram;
        return place;
    }

    const std::optional<QString> userFolder = platform::userConfigFolder(applicationName);
    if (userFolder && platform::makeUserFolder(*userFolder)) {
        place.iniFile = appPathFromFolder(*userFolder) + fileName;
        if (hasFile && !planted && !platform::fileExists(place.iniFile))
            copyBytes(besideProgram, place.iniFile);
        return place;
    }

    if (hasFile && !planted) {
        place.iniFile = besideProgram;
        place.readOnly = true;
    }
    return place;
}

} // namespace modPub
