#include "startup/modini.h"
#include "startup/modpub.h"

#include "platform/codepage.h"
#include "platform/profile.h"
#include "ui/frmmain.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace modPub {

namespace {

// The settings file counts as present when it is an ordinary file; a folder
// of that name does not count.
bool settingsFilePresent()
{
    return QFileInfo(modIni::strIniFile).isFile();
}

// An optional entry read without the side effects of GetIniValue: the
// program never writes it.
QString readOptionalEntry(const char *key)
{
    char buffer[144] = {};
    const qint32 count = platform::getPrivateProfileString(
        "APPLICATION", key, "", buffer, qint32(sizeof buffer), modIni::strIniFile);
    try {
        return platform::fromAnsi(QByteArrayView(buffer, count)).trimmed();
    } catch (const std::exception &) {
        return QString();
    }
}

} // namespace

void Main()
{
    strAppPath = appPathFromFolder(QCoreApplication::applicationDirPath());
    modIni::strIniFile = strAppPath + QStringLiteral("TLV.INI");

    if (settingsFilePresent()) {
        LoadSettings();
    } else {
        SetDefaultSettings();
        SaveSettings();
    }
    strSearchHost = readOptionalEntry("SearchHost");

    frmMain::defaultInstance().show();
}

} // namespace modPub
