#include "startup/modpub.h"

#include "platform/files.h"
#include "platform/trim.h"
#include "startup/modini.h"
#include "startup/runtimeerror.h"
#include "startup/settingsplace.h"
#include "startup/strictnumber.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace modPub {

namespace {

const QString section = QStringLiteral("APPLICATION");

// Removes space characters from both ends, and only those: a tab or a line
// break that the file's rules kept in a value stays part of the setting.
QString trimSpaces(const QString &text)
{
    return platform::trimmedBy(QStringView(text), [](QChar c) { return c == u' '; }).toString();
}

std::function<void()> &endHandler()
{
    // No static destructor or exit handler runs: a page transfer may still be
    // under way on its own thread, inside libraries whose global state those
    // would tear down under it. The settings are on disk before this point.
    static std::function<void()> handler = [] {
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    };
    return handler;
}

} // namespace

void LoadSettings()
{
    try {
        strKeyWord = trimSpaces(modIni::GetIniValue(section, QStringLiteral("KeyWord")));
        // A page count the strict reading refuses leaves 0 but does not keep
        // the site address from being read: losing it would erase it from the
        // file at the next save.
        try {
            lngMaxPage = strictToLong(modIni::GetIniValue(section, QStringLiteral("MaxPage")));
        } catch (const RuntimeError &) {
            lngMaxPage = 0;
        }
        strKeyUrl = trimSpaces(modIni::GetIniValue(section, QStringLiteral("KeyUrl")));
    } catch (...) {
        // Any other failure leaves silently with what was read so far.
    }
}

// The three entries in one write, so that a save cut short leaves the old
// settings or the new ones, never a mix (nor, at the first start, a file
// with only some of them).
void SaveSettings()
{
    modIni::SetIniValues(section,
        { { QStringLiteral("KeyWord"), strKeyWord },
            { QStringLiteral("MaxPage"), QString::number(lngMaxPage) },
            { QStringLiteral("KeyUrl"), strKeyUrl } });
}

void SetDefaultSettings()
{
    strKeyWord = QStringLiteral("网站排名查询");
    lngMaxPage = 20;
    strKeyUrl = QStringLiteral("http://www.example.com/");
}

void prepareSettings(const std::optional<QString> &programFolder)
{
    const SettingsPlace place = settingsPlace(programFolder);
    strAppPath = place.appPath;
    modIni::strIniFile = place.iniFile;
    modIni::iniReadOnly = place.readOnly;

    // The settings file counts as present when it is an ordinary file; a
    // folder of that name does not count.
    if (platform::fileExists(modIni::strIniFile)) {
        LoadSettings();
    } else {
        SetDefaultSettings();
        SaveSettings();
    }
    // Read without the side effects of GetIniValue: the program never writes it.
    strSearchHost
        = modIni::readIniValue(section, QStringLiteral("SearchHost")).value_or(QString()).trimmed();
}

QString appPathFromFolder(const QString &folder)
{
    // The platform's own separator: a backslash on Windows.
    const QChar separator = QDir::separator();
    return folder.endsWith(separator) ? folder : folder + separator;
}

void End()
{
    endHandler()();
}

void setEndHandler(std::function<void()> handler)
{
    endHandler() = std::move(handler);
}

} // namespace modPub
