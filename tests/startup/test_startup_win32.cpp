#include "platform/codepage.h"
#include "platform/folders_win32.h"
#include "platform/wide_win32.h"
#include "startup/modini.h"
#include "startup/modpub.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>

#include <windows.h>

using namespace Qt::Literals::StringLiterals;
using platform::wide;

// The start-up sequence on Windows, the counterpart of the permission-bit
// cases elsewhere: a portable copy keeps TLV.INI beside itself, whatever its
// folder is named; a hidden or system file, or a folder, of that name counts
// as absent; an installed copy, and a copy in a folder or with a file of
// another owner, keeps the user's settings in the application-data folder.
// The Programs folders, the application-data folder, the installed-programs
// entry and the owners are the test's own (platform::systemFacts), so that
// nothing of the user who runs the tests is read or written.
namespace {

const QByteArray defaultFile = "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(u"网站排名查询"_s)
    + "\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n";
const QByteArray shipped = "[APPLICATION]\r\nKeyWord=shipped\r\nMaxPage=3\r\n";

void setAttributes(const QString &path, DWORD attributes)
{
    ASSERT_TRUE(SetFileAttributesW(wide(QDir::toNativeSeparators(path)), attributes));
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

class StartUpOnWindows : public testing::Test
{
protected:
    void SetUp() override
    {
        m_system = platform::systemFacts();
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(at(u"Program Files"_s)));
        ASSERT_TRUE(QDir().mkpath(at(u"AppData"_s)));
        platform::SystemFacts &facts = platform::systemFacts();
        facts.programFolders = [this] { return QStringList { native(u"Program Files"_s) }; };
        facts.appDataFolder = [this] { return std::optional(native(u"AppData"_s)); };
        // The program asks for the installer's entry; the test's own stands in for it.
        facts.installLocations = [this](const QString &entry) {
            EXPECT_EQ(entry, u"Tolvaro"_s);
            return m_system.installLocations(m_installEntry);
        };
        facts.ownerOf = [this](const QString &path) {
            const auto owner = m_owners.find(QDir::cleanPath(path).toCaseFolded());
            return owner != m_owners.end() ? owner->second : m_system.ownerOf(path);
        };
    }

    void TearDown() override
    {
        forgetInstalls();
        platform::systemFacts() = m_system;
    }

    // No installed-programs entry and no owner but the file system's.
    void forgetInstalls()
    {
        for (const HKEY root : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER })
            RegDeleteTreeW(root, wide(installKey()));
        m_owners.clear();
    }

public:
    QString at(const QString &relative) const { return m_root.filePath(relative); }
    QString native(const QString &relative) const { return QDir::toNativeSeparators(at(relative)); }

    // The installer's entry under `root`, naming `location` as it wrote it.
    // False when the test may not write there (HKEY_LOCAL_MACHINE without an
    // administrator's rights).
    bool recordInstall(HKEY root, const QString &location) const
    {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root, wide(installKey()), 0, nullptr, REG_OPTION_VOLATILE,
                KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr)
            != ERROR_SUCCESS)
            return false;
        const LSTATUS set = RegSetValueExW(key, L"InstallLocation", 0, REG_SZ,
            reinterpret_cast<const BYTE *>(location.utf16()),
            DWORD((location.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        return set == ERROR_SUCCESS;
    }

    void own(const QString &relative, platform::Owner owner)
    {
        m_owners[QDir::cleanPath(at(relative)).toCaseFolded()] = std::move(owner);
    }

protected:
    QString installKey() const
    {
        return u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"_s + m_installEntry;
    }

    // An entry of the test's own, never the installer's.
    const QString m_installEntry = u"Tolvaro tests "_s + QString::number(GetCurrentProcessId());
    QTemporaryDir m_root;
    platform::SystemFacts m_system;
    std::map<QString, platform::Owner> m_owners;
};

TEST_F(StartUpOnWindows, HiddenSystemOrFolderCountsAsAbsent)
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

// Where a copy with a TLV.INI beside it keeps its settings: beside itself when
// it is portable, else in the application-data folder, seeded from that file
// only when the file's owner can be trusted. The program's folder then stays
// as it was, and an edit comes back at the next start from the same place.
TEST_F(StartUpOnWindows, InstalledOrForeignCopiesKeepTheSettingsInTheApplicationDataFolder)
{
    const platform::Owner anotherUser { true, u"S-1-5-21-1004336348-1177238915-682003330-1001"_s };
    const platform::Owner administrators { true, u"S-1-5-32-544"_s };
    const struct
    {
        const char *name;
        const char *program; // the program's folder
        std::function<bool(StartUpOnWindows &)> arrange; // false: not possible here
        bool portable; // else the application-data folder
        const char *keyWord; // what the first start loads
        bool fileBeside = true; // a TLV.INI lies beside the program; else the defaults are written
    } cases[] = {
        // The second name holds characters that code page 936 cannot: the file
        // is still found under its own name, through the system's wide functions.
        { "portable, in a folder named in Chinese", "程序", [](StartUpOnWindows &) { return true; },
            true, "网站排名查询", false },
        { "portable, in a folder named beyond the code page", "프로그램 ü",
            [](StartUpOnWindows &) { return true; }, true, "网站排名查询", false },
        { "installed into the Programs folder", "Program Files/Tolvaro",
            [](StartUpOnWindows &) { return true; }, false, "shipped" },
        { "installed for all users into a folder the user chose", "Apps/Tolvaro",
            // Named as the installer might write it: another case, another
            // separator, one at the end.
            [](StartUpOnWindows &t) {
                return t.recordInstall(HKEY_LOCAL_MACHINE, t.at(u"APPS/tolvaro/"_s));
            },
            false, "shipped" },
        { "installed for the current user alone", "Mine/Tolvaro",
            [](StartUpOnWindows &t) {
                return t.recordInstall(HKEY_CURRENT_USER, t.native(u"Mine\\Tolvaro"_s));
            },
            false, "shipped" },
        { "a copy of the installed program taken elsewhere", "Copy/Tolvaro",
            [](StartUpOnWindows &t) {
                return t.recordInstall(HKEY_CURRENT_USER, t.native(u"Apps\\Tolvaro"_s));
            },
            true, "shipped" },
        { "a folder whose name begins with the installed one's", "Apps/Tolvaro2",
            [](StartUpOnWindows &t) {
                return t.recordInstall(HKEY_CURRENT_USER, t.native(u"Apps\\Tolvaro"_s));
            },
            true, "shipped" },
        { "a file of another user: never used", "Shared",
            [&](StartUpOnWindows &t) {
                t.own(u"Shared/TLV.INI"_s, anotherUser);
                return true;
            },
            false, "网站排名查询" },
        { "a file whose owner cannot be read: never used", "Shared",
            [](StartUpOnWindows &t) {
                t.own(u"Shared/TLV.INI"_s, {});
                return true;
            },
            false, "网站排名查询" },
        { "a file of the Administrators", "Shared",
            [&](StartUpOnWindows &t) {
                t.own(u"Shared/TLV.INI"_s, administrators);
                return true;
            },
            true, "shipped" },
        { "a file of the system account", "Shared",
            [](StartUpOnWindows &t) {
                t.own(u"Shared/TLV.INI"_s, { true, u"S-1-5-18"_s });
                return true;
            },
            true, "shipped" },
        { "a file of TrustedInstaller", "Shared",
            [](StartUpOnWindows &t) {
                t.own(u"Shared/TLV.INI"_s,
                    { true, u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"_s });
                return true;
            },
            true, "shipped" },
        // A folder made directly under C:\ by an administrator: owned by the
        // Administrators, and every signed-in user may change what is in it.
        { "a file of the Administrators that other users may change: never used", "Tools",
            [&](StartUpOnWindows &t) {
                t.own(u"Tools/TLV.INI"_s, { true, administrators.sid, true });
                return true;
            },
            false, "网站排名查询" },
        { "a file of the user's that other users may change: never used", "Tools",
            [](StartUpOnWindows &t) {
                // The folder is the user's own, as the system reports it.
                const QString user = platform::systemFacts().ownerOf(t.at(u"Tools"_s)).sid;
                t.own(u"Tools/TLV.INI"_s, { true, user, true });
                return true;
            },
            false, "网站排名查询" },
        { "a folder other users may write in: seeded from the trusted file", "Tools",
            [&](StartUpOnWindows &t) {
                t.own(u"Tools"_s, { true, administrators.sid, true });
                return true;
            },
            false, "shipped" },
        { "a folder of another user: seeded from the trusted file", "Theirs",
            [&](StartUpOnWindows &t) {
                t.own(u"Theirs"_s, anotherUser);
                return true;
            },
            false, "shipped" },
        { "a folder of the Administrators", "Made elevated",
            [&](StartUpOnWindows &t) {
                t.own(u"Made elevated"_s, administrators);
                return true;
            },
            true, "shipped" },
        { "a drive that keeps no owners (FAT, exFAT)", "Stick",
            [](StartUpOnWindows &t) {
                t.own(u"Stick"_s, { false, {} });
                t.own(u"Stick/TLV.INI"_s, { false, {} });
                return true;
            },
            true, "shipped" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        forgetInstalls();
        const QString program = at(QString::fromUtf8(c.program));
        const QString userFile = at(u"AppData/Tolvaro/TLV.INI"_s);
        QFile::remove(userFile);
        ASSERT_TRUE(QDir().mkpath(program));
        if (c.fileBeside) {
            ASSERT_TRUE(writeFileBytes(program + u"/TLV.INI"_s, shipped));
        }
        if (!c.arrange(*this)) {
            std::printf("[ SKIPPED  ] \"%s\": needs an administrator\n", c.name);
            continue;
        }

        start(program);
        EXPECT_EQ(settingsFile().toStdString(),
            (c.portable ? program + u"/TLV.INI"_s : userFile).toStdString());
        EXPECT_EQ(modPub::strAppPath, QDir::toNativeSeparators(program) + u"\\"_s);
        EXPECT_EQ(modPub::strKeyWord.toStdString(), c.keyWord);
        if (!c.fileBeside) {
            EXPECT_EQ(fileBytes(settingsFile()), defaultFile);
        }
        modPub::strKeyWord = u"mine"_s;
        modPub::SaveSettings();
        start(program);
        EXPECT_EQ(modPub::strKeyWord, u"mine"_s);
        if (!c.portable) {
            EXPECT_EQ(fileBytes(program + u"/TLV.INI"_s), shipped);
            EXPECT_EQ(
                QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                QStringList { u"TLV.INI"_s });
        }
        QDir(program).removeRecursively();
    }
}

} // namespace
