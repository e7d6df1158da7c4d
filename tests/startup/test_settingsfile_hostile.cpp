#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"
#include "support/files.h"
#include "support/wine.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// Damaged, odd and protected settings files: loading takes what it can read,
// saving touches the three entry lines only (or nothing at all when the file
// or its folder is write-protected), and nothing ever crashes.
namespace {

struct Loaded
{
    QString keyWord;
    qint32 maxPage;
    QString keyUrl;
};

// What every case saves, and the three lines it gives in the file.
const Loaded saved { u"新词 key"_s, 7, u"http://new.example/"_s };

QByteArray savedLines(const QByteArray &keyWordKey = "KeyWord")
{
    return keyWordKey + '=' + platform::toAnsi(saved.keyWord)
        + "\r\nMaxPage=7\r\nKeyUrl=" + saved.keyUrl.toLatin1() + "\r\n";
}

// About 5 MB of other sections and entries.
QByteArray filler()
{
    QByteArray text;
    for (int i = 0; i < 150000; ++i)
        text += i % 50 == 0 ? "[Other" + QByteArray::number(i) + "]\r\n"
                            : "value" + QByteArray::number(i) + "=" + QByteArray(20, 'x') + "\r\n";
    return text;
}

struct Case
{
    const char *name;
    QByteArray before;
    Loaded loaded;
    QByteArray after; // the file once the settings above are saved
    // How Wine's rewrite of the system's functions differs from Windows here, if it does.
    const char *wineDiffers = nullptr;
};

std::vector<Case> cases()
{
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(20240607);
    for (char &c : noise)
        c = char(random.bounded(256));
    const QByteArray around = filler();
    const QByteArray nul("\0", 1);
    return {
        { "binary garbage", noise, { QString(), 0, QString() },
            noise + (noise.endsWith('\r') || noise.endsWith('\n') ? "" : "\r\n")
                + "[APPLICATION]\r\n" + savedLines(),
            "Wine reads the bytes through Unicode and writes the whole file back, "
            "\"?\" for what the code page does not hold" },
        { "ten megabytes",
            around + "[APPLICATION]\r\nKeyWord=" + QByteArray(300, 'w')
                + "\r\nMaxPage=12\r\nKeyUrl=http://a/\r\n" + around,
            { QString(143, u'w'), 12, u"http://a/"_s },
            around + "[APPLICATION]\r\n" + savedLines() + around },
        { "NUL bytes",
            nul + nul + "\r\n[APPLICATION]" + nul + "\r\nKeyWord=key" + nul
                + "word\r\nMaxPage=5\r\nKeyUrl=" + nul + "http://a/\r\n" + nul,
            { u"keyword"_s, 5, u"http://a/"_s },
            nul + nul + "\r\n[APPLICATION]" + nul + "\r\n" + savedLines() + nul,
            "Wine ends names and values at a NUL byte and does not keep NULs on a write" },
        { "LF-only line ends",
            "[APPLICATION]\nKeyWord=kw\nMaxPage=3\nKeyUrl=http://a/\n[Other]\nx=1\n",
            { u"kw"_s, 3, u"http://a/"_s }, "[APPLICATION]\n" + savedLines() + "[Other]\nx=1\n",
            "Wine rewrites every line with CR LF" },
        { "no final line end", "[APPLICATION]\r\nKeyWord=kw\r\nMaxPage=3\r\nKeyUrl=http://a/",
            { u"kw"_s, 3, u"http://a/"_s }, "[APPLICATION]\r\n" + savedLines() },
        { "no final line end after another section", "[Other]\r\nx=1", { QString(), 0, QString() },
            "[Other]\r\nx=1\r\n[APPLICATION]\r\n" + savedLines() },
        // The first section and the first key of a name count; the rest stays as it was.
        { "duplicated sections and keys",
            "[application]\r\nkeyword=first\r\nKEYWORD=second\r\nMaxPage=3\r\n; note\r\n"
            "[Other]\r\nx=1\r\n[APPLICATION]\r\nKeyUrl=http://hidden/\r\nMaxPage=9\r\n",
            { u"first"_s, 3, QString() },
            "[application]\r\nkeyword=" + platform::toAnsi(saved.keyWord)
                + "\r\nKEYWORD=second\r\nMaxPage=7\r\nKeyUrl=" + saved.keyUrl.toLatin1()
                + "\r\n; note\r\n[Other]\r\nx=1\r\n[APPLICATION]\r\nKeyUrl=http://hidden/"
                  "\r\nMaxPage=9\r\n",
            "Wine removes a key from every section of the name and adds a new key after "
            "the section's comments" },
        { "entries before any section and a header without its bracket",
            "KeyWord=outside\r\n[APPLICATION\r\nKeyWord=inside\r\n", { u"inside"_s, 0, QString() },
            "KeyWord=outside\r\n[APPLICATION\r\n" + savedLines(),
            "Wine makes the lines before the first header a section of their own and takes "
            "\"[APPLICATION\" for an entry" },
    };
}

class HostileSettingsFile : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        modIni::strIniFile = m_dir.filePath(u"TLV.INI"_s);
    }

    void TearDown() override
    {
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    static void writeBytes(const QByteArray &bytes)
    {
        ASSERT_TRUE(writePastFileBytes(modIni::strIniFile, bytes));
    }

    static QByteArray readBytes() { return fileBytes(modIni::strIniFile); }

    static void expectLoaded(const Loaded &expected)
    {
        modPub::strKeyWord = u"stale"_s;
        modPub::lngMaxPage = -5;
        modPub::strKeyUrl = u"stale"_s;
        modPub::LoadSettings();
        EXPECT_EQ(modPub::strKeyWord, expected.keyWord);
        EXPECT_EQ(modPub::lngMaxPage, expected.maxPage);
        EXPECT_EQ(modPub::strKeyUrl, expected.keyUrl);
    }

    static void save()
    {
        modPub::strKeyWord = saved.keyWord;
        modPub::lngMaxPage = saved.maxPage;
        modPub::strKeyUrl = saved.keyUrl;
        modPub::SaveSettings();
    }

    void expectOnlyTheFile() const
    {
        EXPECT_EQ(
            QDir(m_dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList { u"TLV.INI"_s });
    }

    QTemporaryDir m_dir;
};

// Compares whole files without printing megabytes when they differ.
void expectBytes(const QByteArray &actual, const QByteArray &expected)
{
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    if (actual != expected)
        ADD_FAILURE() << "files differ from byte " << at << " (sizes " << actual.size() << " and "
                      << expected.size() << "): got \""
                      << actual.mid(at, 40).toPercentEncoding().data() << "\", expected \""
                      << expected.mid(at, 40).toPercentEncoding().data() << '"';
}

TEST_F(HostileSettingsFile, LoadsWhatItCanAndSavesOnlyTheThreeEntries)
{
    for (const Case &c : cases()) {
        SCOPED_TRACE(c.name);
        if (skipUnderWine(c.name, c.wineDiffers))
            continue;
        writeBytes(c.before);
        expectLoaded(c.loaded);
        // Loading removes nothing here: none of the three entries is empty.
        expectBytes(readBytes(), c.before);
        save();
        expectBytes(readBytes(), c.after);
        expectLoaded(saved);
        expectOnlyTheFile();
    }
}

TEST_F(HostileSettingsFile, WriteProtectionKeepsEveryByte)
{
    const QByteArray content = "[APPLICATION]\r\nKeyWord=\r\nMaxPage=3\r\nKeyUrl=http://a/\r\n";
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions openFolder
        = readOnly | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    // On Windows the file's read-only attribute is the protection, which the
    // program honours itself: Wine run as root would write the file anyway.
    const struct
    {
        const char *name;
        QFile::Permissions file;
        QFile::Permissions folder;
        bool heldOpen = false;
    } cases[] = {
        { "read-only file", readOnly, openFolder },
#ifndef Q_OS_WIN
        // The permission bits of a folder mean nothing on Windows.
        { "read-only folder", readOnly | QFile::WriteOwner,
            readOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther },
#else
        // Another program (an indexer, a virus scanner) holds the file open
        // and does not let it be replaced: the save's copy cannot take its
        // place, and goes.
        { "file held open", readOnly | QFile::WriteOwner, openFolder, true },
#endif
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QFile::setPermissions(m_dir.path(), openFolder));
        QFile::remove(modIni::strIniFile);
        writeBytes(content);
        ASSERT_TRUE(QFile::setPermissions(modIni::strIniFile, c.file));
        ASSERT_TRUE(QFile::setPermissions(m_dir.path(), c.folder));
        QFile holder(modIni::strIniFile);
        if (c.heldOpen) {
            ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
        }

        // The empty keyword cannot be removed from the file; loading goes on regardless.
        expectLoaded({ QString(), 3, u"http://a/"_s });
        EXPECT_FALSE(modIni::SetIniValue(u"APPLICATION"_s, u"MaxPage"_s, u"8"_s));
        save();
        expectBytes(readBytes(), content);
        expectOnlyTheFile();
    }
}

// A folder, a pipe that nothing writes to, or a link to a device that never
// ends: each counts as a file that cannot be read, and nothing replaces it or
// writes through it.
TEST_F(HostileSettingsFile, NoOrdinaryFileInPlaceOfTheFile)
{
    const struct
    {
        const char *name;
        std::function<bool(const QString &)> make;
    } cases[] = {
        { "folder", [](const QString &path) { return QDir().mkdir(path); } },
#ifndef Q_OS_WIN
        // Pipes and devices in the file system are POSIX's.
        { "pipe",
            [](const QString &path) {
                return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
            } },
        { "link to an endless device",
            [](const QString &path) { return QFile::link(u"/dev/zero"_s, path); } },
        // A save never makes a file where a link points.
        { "link to a name not made yet",
            [](const QString &path) { return QFile::link(path + u".elsewhere"_s, path); } },
#endif
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_dir.path()).rmdir(u"TLV.INI"_s);
        QFile::remove(modIni::strIniFile);
        ASSERT_TRUE(c.make(modIni::strIniFile));
        const bool folder = QFileInfo(modIni::strIniFile).isDir();
        expectLoaded({ QString(), 0, QString() });
        save();
        EXPECT_FALSE(QFileInfo(modIni::strIniFile).isFile());
        EXPECT_EQ(QFileInfo(modIni::strIniFile).isDir(), folder);
        EXPECT_TRUE(QDir(modIni::strIniFile).isEmpty());
        expectOnlyTheFile();
    }
}

#ifndef Q_OS_WIN
// A link that another user made in place of the file is neither read nor
// written through, whatever the system's own link protection says: not to a
// file of the user's, and not to a name not made yet, which the save would
// make for them.
TEST_F(HostileSettingsFile, AnotherUsersLinkIsNeverFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a link of another owner needs the superuser";
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString mine = elsewhere.filePath(u"mine.ini"_s);
    const QByteArray content = "[APPLICATION]\r\nKeyWord=mine\r\nMaxPage=3\r\n";
    for (const bool targetExists : { true, false }) {
        SCOPED_TRACE(targetExists ? "to a file of the user's" : "to a name not made yet");
        QFile::remove(modIni::strIniFile);
        QFile::remove(mine);
        if (targetExists) {
            ASSERT_TRUE(writeFileBytes(mine, content));
        }
        ASSERT_TRUE(QFile::link(mine, modIni::strIniFile));
        ASSERT_EQ(::lchown(QFile::encodeName(modIni::strIniFile).constData(), 65534, 65534), 0);
        expectLoaded({ QString(), 0, QString() });
        save();
        EXPECT_EQ(fileBytes(mine), targetExists ? content : "<missing>");
        EXPECT_TRUE(QFileInfo(modIni::strIniFile).isSymLink());
        expectOnlyTheFile();
    }
}
#endif

} // namespace
