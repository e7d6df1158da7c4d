#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

using namespace Qt::Literals::StringLiterals;

// The start-up sequence on Windows, the counterpart of the permission-bit
// cases elsewhere: a portable copy keeps TLV.INI beside itself, whatever its
// folder is named; a hidden or system file, or a folder, of that name counts
// as absent; a copy under the Programs folder keeps the user's settings in the
// application-data folder, seeded from the file shipped beside it.
namespace {

const QByteArray defaultFile = "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(u"网站排名查询"_s)
    + "\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n";

QString knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    QString folder;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK)
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

void setAttributes(const QString &path, DWORD attributes)
{
    ASSERT_TRUE(SetFileAttributesW(
        reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), attributes));
}

void start(const QString &folder)
{
    modPub::strKeyWord.clear();
    modPub::lngMaxPage = 0;
    modPub::strKeyUrl.clear();
    modIni::iniReadOnly = false;
    modPub::prepareSettings(QDir::toNativeSeparators(folder));
}

QString settingsFile()
{
    return QDir::fromNativeSeparators(modIni::strIniFile);
}

TEST(StartUpOnWindows, PortableCopyKeepsTheFileBesideItselfInAnyFolderName)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    // The second name holds characters that code page 936 cannot: the file is
    // still found under its own name, through the system's wide functions.
    for (const QString &name : { u"程序"_s, u"프로그램 ü"_s }) {
        SCOPED_TRACE(name.toStdString());
        const QString folder = root.filePath(name);
        ASSERT_TRUE(QDir().mkpath(folder));
        start(folder);
        EXPECT_EQ(settingsFile(), folder + u"/TLV.INI"_s);
        EXPECT_EQ(modPub::strAppPath, QDir::toNativeSeparators(folder) + u"\\"_s);
        EXPECT_EQ(fileBytes(settingsFile()), defaultFile);

        modPub::strKeyWord = u"新词"_s;
        modPub::lngMaxPage = 7;
        modPub::SaveSettings();
        start(folder);
        EXPECT_EQ(modPub::strKeyWord, u"新词"_s);
        EXPECT_EQ(modPub::lngMaxPage, 7);
    }
}

TEST(StartUpOnWindows, HiddenSystemOrFolderCountsAsAbsent)
{
    const struct
    {
        const char *name;
        DWORD attributes; // 0: a folder named TLV.INI
    } cases[] = {
        { "ordinary, read-only", FILE_ATTRIBUTE_READONLY },
        { "hidden", FILE_ATTRIBUTE_HIDDEN },
        { "system", FILE_ATTRIBUTE_SYSTEM },
        { "folder", 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QString file = folder.filePath(u"TLV.INI"_s);
        if (c.attributes) {
            ASSERT_TRUE(writeFileBytes(file, "[APPLICATION]\r\nKeyWord=kept\r\nMaxPage=3\r\n"));
            setAttributes(file, c.attributes);
        } else {
            ASSERT_TRUE(QDir().mkdir(file));
        }
        start(folder.path());
        const bool present = c.attributes == FILE_ATTRIBUTE_READONLY;
        EXPECT_EQ(modPub::strKeyWord, present ? u"kept"_s : u"网站排名查询"_s);
        EXPECT_EQ(modPub::lngMaxPage, present ? 3 : 20);
        if (c.attributes)
            setAttributes(file, FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(StartUpOnWindows, InstalledCopyKeepsTheSettingsInTheApplicationDataFolder)
{
    const QString programs = knownFolder(FOLDERID_ProgramFiles);
    const QString appData = knownFolder(FOLDERID_RoamingAppData);
    ASSERT_FALSE(programs.isEmpty());
    ASSERT_FALSE(appData.isEmpty());
    const QString folder = programs + u"/Tolvaro test "_s + QString::number(GetCurrentProcessId());
    const QString userFile = appData + u"/Tolvaro/TLV.INI"_s;
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::remove(userFile);
    const QByteArray shipped = "[APPLICATION]\r\nKeyWord=shipped\r\nMaxPage=3\r\n";
    ASSERT_TRUE(writeFileBytes(folder + u"/TLV.INI"_s, shipped));

    start(folder);
    EXPECT_EQ(settingsFile(), userFile);
    EXPECT_EQ(modPub::strKeyWord, u"shipped"_s);
    modPub::strKeyWord = u"mine"_s;
    modPub::SaveSettings();
    start(folder);
    EXPECT_EQ(modPub::strKeyWord, u"mine"_s);
    EXPECT_EQ(fileBytes(folder + u"/TLV.INI"_s), shipped);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { u"TLV.INI"_s });

    QFile::remove(userFile);
    QDir(folder).removeRecursively();
}

} // namespace
