#include "platform/codepage.h"
#include "startup/modini.h"
#include "startup/modpub.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

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

// What every case saves, and its lines as they appear in the file.
const QString savedKeyWord = u"新词 key"_s;
constexpr qint32 savedMaxPage = 7;
const QString savedKeyUrl = u"http://new.example/"_s;

QByteArray savedLine(const QByteArray &storedKey, int which)
{
    const QByteArray values[] = { platform::toAnsi(savedKeyWord), QByteArray::number(savedMaxPage),
        savedKeyUrl.toLatin1() };
    return storedKey + '=' + values[which] + "\r\n";
}

QByteArray newSection()
{
    return "[APPLICATION]\r\n" + savedLine("KeyWord", 0) + savedLine("MaxPage", 1)
        + savedLine("KeyUrl", 2);
}

QByteArray garbage(qsizetype size)
{
    QRandomGenerator random(20240607);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// About 10 MB of other sections and comments around the program's section.
QByteArray filler(int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text
            += (i % 50 == 0 ? "[Other" + QByteArray::number(i) + "]\r\n"
                            : "value" + QByteArray::number(i) + "=" + QByteArray(20, 'x') + "\r\n");
    return text;
}

// A literal with the NUL bytes inside it.
template <qsizetype N> QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

struct Case
{
    const char *name;
    QByteArray before;
    Loaded loaded;
    QByteArray after; // the file once the settings above are saved
};

std::vector<Case> cases()
{
    const QByteArray noise = garbage(64 * 1024);
    const QByteArray head = filler(150000);
    const QByteArray tail = filler(150000);
    const QByteArray longWord(300, 'w');
    return {
        { "binary garbage", noise, { QString(), 0, QString() },
            noise + (noise.endsWith('\r') || noise.endsWith('\n') ? "" : "\r\n") + newSection() },
        { "ten megabytes",
            head + "[APPLICATION]\r\nKeyWord=" + longWord + "\r\nMaxPage=12\r\nKeyUrl=http://a/\r\n"
                + tail,
            { QString(143, u'w'), 12, u"http://a/"_s },
            head + "[APPLICATION]\r\n" + savedLine("KeyWord", 0) + savedLine("MaxPage", 1)
                + savedLine("KeyUrl", 2) + tail },
        { "NUL bytes",
            raw("\0\0\r\n[APPLICATION]\0\r\nKeyWord=key\0word\r\nMaxPage=5\r\nKeyUrl=\0http://a/"
                "\r\n\0"),
            { u"keyword"_s, 5, u"http://a/"_s },
            raw("\0\0\r\n[APPLICATION]\0\r\n") + savedLine("KeyWord", 0) + savedLine("MaxPage", 1)
                + savedLine("KeyUrl", 2) + raw("\0") },
        { "LF-only line ends",
            "[APPLICATION]\nKeyWord=kw\nMaxPage=3\nKeyUrl=http://a/\n[Other]\nx=1\n",
            { u"kw"_s, 3, u"http://a/"_s },
            "[APPLICATION]\n" + savedLine("KeyWord", 0) + savedLine("MaxPage", 1)
                + savedLine("KeyUrl", 2) + "[Other]\nx=1\n" },
        { "no final line end", "[APPLICATION]\r\nKeyWord=kw\r\nMaxPage=3\r\nKeyUrl=http://a/",
            { u"kw"_s, 3, u"http://a/"_s },
            "[APPLICATION]\r\n" + savedLine("KeyWord", 0) + savedLine("MaxPage", 1)
                + savedLine("KeyUrl", 2) },
        { "no final line end after another section", "[Other]\r\nx=1", { QString(), 0, QString() },
            "[Other]\r\nx=1\r\n" + newSection() },
        // The first section and the first key of a name count; the rest stays as it was.
        { "duplicated sections and keys",
            "[application]\r\nkeyword=first\r\nKEYWORD=second\r\nMaxPage=3\r\n; note\r\n"
            "[Other]\r\nx=1\r\n[APPLICATION]\r\nKeyUrl=http://hidden/\r\nMaxPage=9\r\n",
            { u"first"_s, 3, QString() },
            "[application]\r\n" + savedLine("keyword", 0) + "KEYWORD=second\r\n"
                + savedLine("MaxPage", 1) + savedLine("KeyUrl", 2)
                + "; "
                  "note\r\n[Other]\r\nx=1\r\n[APPLICATION]\r\nKeyUrl=http://hidden/"
                  "\r\nMaxPage=9\r\n" },
        { "entries before any section and a header without its bracket",
            "KeyWord=outside\r\n[APPLICATION\r\nKeyWord=inside\r\n", { u"inside"_s, 0, QString() },
            "KeyWord=outside\r\n[APPLICATION\r\n" + savedLine("KeyWord", 0)
                + savedLine("MaxPage", 1) + savedLine("KeyUrl", 2) },
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
        QFile file(modIni::strIniFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray readBytes()
    {
        QFile file(modIni::strIniFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static Loaded load()
    {
        modPub::strKeyWord = u"stale"_s;
        modPub::lngMaxPage = -5;
        modPub::strKeyUrl = u"stale"_s;
        modPub::LoadSettings();
        return { modPub::strKeyWord, modPub::lngMaxPage, modPub::strKeyUrl };
    }

    static void save()
    {
        modPub::strKeyWord = savedKeyWord;
        modPub::lngMaxPage = savedMaxPage;
        modPub::strKeyUrl = savedKeyUrl;
        modPub::SaveSettings();
    }

    QStringList folderEntries() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

void expectLoaded(const Loaded &actual, const Loaded &expected)
{
    EXPECT_EQ(actual.keyWord, expected.keyWord);
    EXPECT_EQ(actual.maxPage, expected.maxPage);
    EXPECT_EQ(actual.keyUrl, expected.keyUrl);
}

// Compares whole files without printing megabytes when they differ.
void expectBytes(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return;
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    ADD_FAILURE() << "files differ from byte " << at << " (sizes " << actual.size() << " and "
                  << expected.size() << "): got \"" << actual.mid(at, 40).toPercentEncoding().data()
                  << "\", expected \"" << expected.mid(at, 40).toPercentEncoding().data() << '"';
}

TEST_F(HostileSettingsFile, LoadsWhatItCanAndSavesOnlyTheThreeEntries)
{
    for (const Case &c : cases()) {
        SCOPED_TRACE(c.name);
        writeBytes(c.before);
        expectLoaded(load(), c.loaded);
        // Loading removes nothing here: none of the three entries is empty.
        expectBytes(readBytes(), c.before);
        save();
        expectBytes(readBytes(), c.after);
        // Loading the saved file gives back what was saved.
        expectLoaded(load(), { savedKeyWord, savedMaxPage, savedKeyUrl });
        EXPECT_EQ(folderEntries(), QStringList { u"TLV.INI"_s });
    }
}

TEST_F(HostileSettingsFile, WriteProtectionKeepsEveryByte)
{
    const QByteArray content = "[APPLICATION]\r\nKeyWord=\r\nMaxPage=3\r\nKeyUrl=http://a/\r\n";
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions openFolder
        = readOnly | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    const struct
    {
        const char *name;
        QFile::Permissions file;
        QFile::Permissions folder;
    } cases[] = {
        { "read-only file", readOnly, openFolder },
        { "read-only folder", readOnly | QFile::WriteOwner,
            readOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QFile::setPermissions(m_dir.path(), openFolder));
        QFile::remove(modIni::strIniFile);
        writeBytes(content);
        ASSERT_TRUE(QFile::setPermissions(modIni::strIniFile, c.file));
        ASSERT_TRUE(QFile::setPermissions(m_dir.path(), c.folder));

        // The empty keyword cannot be removed from the file; loading goes on regardless.
        expectLoaded(load(), { QString(), 3, u"http://a/"_s });
        EXPECT_FALSE(modIni::SetIniValue(u"APPLICATION"_s, u"MaxPage"_s, u"8"_s));
        save();
        expectBytes(readBytes(), content);
        EXPECT_EQ(folderEntries(), QStringList { u"TLV.INI"_s });
    }
}

TEST_F(HostileSettingsFile, ReadOnlyFolderWithoutAFileStaysEmpty)
{
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    expectLoaded(load(), { QString(), 0, QString() });
    save();
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(HostileSettingsFile, FolderInPlaceOfTheFile)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"TLV.INI"_s));
    expectLoaded(load(), { QString(), 0, QString() });
    save();
    EXPECT_TRUE(QFileInfo(modIni::strIniFile).isDir());
    EXPECT_TRUE(QDir(modIni::strIniFile).isEmpty());
}

// A settings file that is no ordinary file: a pipe that nothing writes to, or
// a link to a device that never ends. Reading either would wait or grow
// without end; both count as files that cannot be read, and nothing writes
// through them.
TEST_F(HostileSettingsFile, PipeOrDeviceInPlaceOfTheFile)
{
    const struct
    {
        const char *name;
        std::function<bool(const QString &)> make;
    } cases[] = {
        { "pipe",
            [](const QString &path) {
                return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
            } },
        { "link to an endless device",
            [](const QString &path) { return QFile::link(u"/dev/zero"_s, path); } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(modIni::strIniFile);
        ASSERT_TRUE(c.make(modIni::strIniFile));
        expectLoaded(load(), { QString(), 0, QString() });
        save();
        EXPECT_FALSE(QFileInfo(modIni::strIniFile).isFile());
        EXPECT_EQ(folderEntries(), QStringList { u"TLV.INI"_s });
    }
}

// What is typed or pasted into the boxes reaches the file as one line each,
// whatever it holds; what the file cannot hold is lost in a fixed way.
TEST_F(HostileSettingsFile, TypedTextStaysOnItsOwnLine)
{
    const struct
    {
        QString typed;
        QString loaded;
    } cases[] = {
        { u"第一行\r\n第二行\n第三\r行"_s, u"第一行 第二行 第三 行"_s },
        { u"排名😀"_s, u"排名?"_s },
        { QString(u"词\0后"_s), u"词"_s },
        { u"  blanks  "_s, u"blanks"_s },
        { u"\"quoted\""_s, u"quoted"_s },
        { u"[APPLICATION]"_s, u"[APPLICATION]"_s },
        { u"=;#"_s, u"=;#"_s },
        { QString(1000, u'k'), QString(143, u'k') },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        QFile::remove(modIni::strIniFile);
        modPub::strKeyWord = c.typed;
        modPub::lngMaxPage = 3;
        modPub::strKeyUrl = c.typed;
        modPub::SaveSettings();
        EXPECT_EQ(readBytes().count('\r'), 4);
        EXPECT_EQ(readBytes().count('\n'), 4);
        expectLoaded(load(), { c.loaded, 3, c.loaded });
    }
}

} // namespace
