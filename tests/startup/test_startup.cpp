#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"
#include "support/files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// The start-up sequence up to the main window: where the settings file lies,
// what a first start writes, and which folders are never touched.
namespace {

const QByteArray defaultFile = "[APPLICATION]\r\nKeyWord=" + platform::toAnsi(u"网站排名查询"_s)
    + "\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n";

const QFile::Permissions readOnlyFolder = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
const QFile::Permissions openFolder = readOnlyFolder | QFile::WriteOwner;

class StartUp : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir(m_root.path()).mkdir(u"program"_s));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root.filePath(u"config"_s)));
        modIni::iniReadOnly = false;
        QCoreApplication::setApplicationName(u"tolvaro"_s);
        QCoreApplication::setOrganizationName(QString());
    }

    void TearDown() override { QFile::setPermissions(program(), openFolder); }

    QString program() const { return m_root.filePath(u"program"_s); }
    QString userFile() const { return m_root.filePath(u"config/tolvaro/TLV.INI"_s); }

    static void start(const std::optional<QString> &folder)
    {
        modPub::strKeyWord.clear();
        modPub::lngMaxPage = 0;
        modPub::strKeyUrl.clear();
        modPub::strSearchHost.clear();
        modPub::prepareSettings(folder);
    }

    void start() const { start(program()); }

    static QByteArray bytes(const QString &path) { return fileBytes(path); }

    static void put(const QString &path, const QByteArray &content)
    {
        ASSERT_TRUE(writeFileBytes(path, content));
    }

    QStringList programFiles() const
    {
        return QDir(program()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_root;
};

TEST_F(StartUp, WritableFolderKeepsTheFileBesideTheProgram)
{
    start();
    EXPECT_EQ(modIni::strIniFile, program() + u"/TLV.INI"_s);
    EXPECT_EQ(modPub::strAppPath, program() + u"/"_s);
    EXPECT_EQ(bytes(modIni::strIniFile), defaultFile);
    EXPECT_EQ(modPub::lngMaxPage, 20);

    put(modIni::strIniFile,
        "[APPLICATION]\r\nKeyWord=kw\r\nMaxPage=3\r\nKeyUrl=http://a/\r\nSearchHost= "
        "127.0.0.1:8080 \r\n");
    start();
    EXPECT_EQ(modPub::strKeyWord, u"kw"_s);
    EXPECT_EQ(modPub::lngMaxPage, 3);
    EXPECT_EQ(modPub::strKeyUrl, u"http://a/"_s);
    EXPECT_EQ(modPub::strSearchHost, u"127.0.0.1:8080"_s);
    EXPECT_FALSE(QFile::exists(m_root.filePath(u"config"_s)));
}

// Users freeze their settings by write-protecting the file; it is still read.
TEST_F(StartUp, WriteProtectedFileBesideTheProgramIsReadAndNeverWritten)
{
    const QByteArray frozen = "[APPLICATION]\r\nKeyWord=\r\nMaxPage=4\r\nKeyUrl=http://a/\r\n";
    put(program() + u"/TLV.INI"_s, frozen);
    ASSERT_TRUE(QFile::setPermissions(program() + u"/TLV.INI"_s, QFile::ReadOwner));
    start();
    EXPECT_EQ(modIni::strIniFile, program() + u"/TLV.INI"_s);
    EXPECT_EQ(modPub::lngMaxPage, 4);
    modPub::SaveSettings();
    EXPECT_EQ(bytes(modIni::strIniFile), frozen);
    EXPECT_FALSE(QFile::exists(m_root.filePath(u"config"_s)));
}

// An installed program: the first start makes the per-user file (from the
// file shipped beside the program, or from the defaults), the close saves
// there and the next start reads it back; the program's folder stays as it was.
TEST_F(StartUp, ReadOnlyFolderUsesThePerUserFile)
{
    const QByteArray utf16Shipped = QByteArray("\xff\xfe") + "[\0A\0]\0\n\0"_ba;
    const struct
    {
        const char *name;
        std::optional<QByteArray> shipped;
        QByteArray firstFile;
    } cases[] = {
        { "no file beside the program", std::nullopt, defaultFile },
        { "shipped defaults, LF line ends",
            "; site defaults\n[APPLICATION]\nKeyWord=kw\nMaxPage=3\nKeyUrl=http://a/\n",
            "; site defaults\n[APPLICATION]\nKeyWord=kw\nMaxPage=3\nKeyUrl=http://a/\n" },
        { "shipped UTF-16 file without the settings", utf16Shipped, utf16Shipped },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(userFile());
        ASSERT_TRUE(QFile::setPermissions(program(), openFolder));
        QFile::remove(program() + u"/TLV.INI"_s);
        if (c.shipped) {
            put(program() + u"/TLV.INI"_s, *c.shipped);
            ASSERT_TRUE(QFile::setPermissions(program() + u"/TLV.INI"_s, QFile::ReadOwner));
        }
        ASSERT_TRUE(QFile::setPermissions(program(), readOnlyFolder));
        const QStringList programBefore = programFiles();

        start();
        EXPECT_EQ(modIni::strIniFile, userFile());
        EXPECT_EQ(bytes(userFile()), c.firstFile);

        modPub::strKeyWord = u"新词"_s;
        modPub::lngMaxPage = 9;
        modPub::strKeyUrl = u"http://new/"_s;
        modPub::SaveSettings();
        start();
        EXPECT_EQ(modPub::strKeyWord, u"新词"_s);
        EXPECT_EQ(modPub::lngMaxPage, 9);
        EXPECT_EQ(modPub::strKeyUrl, u"http://new/"_s);

        EXPECT_EQ(programFiles(), programBefore);
        if (c.shipped) {
            EXPECT_EQ(bytes(program() + u"/TLV.INI"_s), *c.shipped);
        }
    }
}

// As an installed program's folder is to its users: the owner may write it,
// the user is not the owner. The superuser is judged the same way.
TEST_F(StartUp, FolderOfAnotherOwnerUsesThePerUserFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving the folder to another owner needs the superuser";
    ASSERT_EQ(::chown(QFile::encodeName(program()).constData(), 65534, 65534), 0);
    ASSERT_TRUE(QFile::setPermissions(program(), openFolder));
    start();
    EXPECT_EQ(modIni::strIniFile, userFile());
    EXPECT_EQ(bytes(userFile()), defaultFile);
    EXPECT_TRUE(programFiles().isEmpty());
}

} // namespace
