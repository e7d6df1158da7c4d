#include "startup/modini.h"
#include "startup/modpub.h"
#include "support/files.h"
#include "support/wine.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

class SettingsFile : public testing::Test
{
protected:
    void SetUp() override
    {
        modIni::strIniFile = m_dir.filePath(u"TLV.INI"_s);
        modPub::strKeyWord.clear();
        modPub::lngMaxPage = 0;
        modPub::strKeyUrl.clear();
    }

    void writeBytes(const QByteArray &bytes)
    {
        ASSERT_TRUE(writePastFileBytes(modIni::strIniFile, bytes));
    }

    QByteArray readBytes() const { return fileBytes(modIni::strIniFile); }

    QTemporaryDir m_dir;
};

TEST_F(SettingsFile, FirstStartWritesFourLines)
{
    modPub::SetDefaultSettings();
    modPub::SaveSettings();
    // The default phrase in code page 936.
    const QByteArray keyWord = "\xcd\xf8\xd5\xbe\xc5\xc5\xc3\xfb\xb2\xe9\xd1\xaf";
    EXPECT_EQ(readBytes(),
        "[APPLICATION]\r\nKeyWord=" + keyWord
            + "\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n");
}

// Folders come in the platform's own form, and so does the path made of them.
TEST(SettingsPath, OneSeparatorBeforeTheFileName)
{
#ifdef Q_OS_WIN
    EXPECT_EQ(modPub::appPathFromFolder(u"C:\\"_s) + u"TLV.INI"_s, u"C:\\TLV.INI"_s);
    EXPECT_EQ(modPub::appPathFromFolder(u"C:\\Tolvaro"_s), u"C:\\Tolvaro\\"_s);
    EXPECT_EQ(modPub::appPathFromFolder(u"\\\\server\\share\\"_s), u"\\\\server\\share\\"_s);
#else
    EXPECT_EQ(modPub::appPathFromFolder(u"/"_s) + u"TLV.INI"_s, u"/TLV.INI"_s);
    EXPECT_EQ(modPub::appPathFromFolder(u"/opt/tolvaro"_s), u"/opt/tolvaro/"_s);
    EXPECT_EQ(modPub::appPathFromFolder(u"C:/"_s), u"C:/"_s);
#endif
}

TEST_F(SettingsFile, EmptyFileLoadsEmptySettingsAndStaysEmpty)
{
    writeBytes(QByteArray());
    modPub::LoadSettings();
    EXPECT_EQ(modPub::strKeyWord, QString());
    EXPECT_EQ(modPub::lngMaxPage, 0);
    EXPECT_EQ(modPub::strKeyUrl, QString());
    EXPECT_EQ(readBytes(), QByteArray());
}

// Whatever the page count holds, the site address is still read: losing it
// would erase it from the file at the next save.
TEST_F(SettingsFile, LoadsAnyPageCountAndTheSite)
{
    const std::pair<QByteArray, qint32> forms[] = { { " 12 ", 12 }, { "2.5", 2 }, { "3.5", 4 },
        { "-1", -1 }, { "\"7\"", 7 }, { "2147483648", 0 }, { "-2147483649", 0 }, { "abc", 0 },
        { "20pages", 0 }, { "", 0 } };
    for (const auto &[stored, maxPage] : forms) {
        SCOPED_TRACE(stored.constData());
        writeBytes("[APPLICATION]\r\nKeyWord=kw\r\nMaxPage=" + stored
            + "\r\nKeyUrl=http://a.example/\r\n");
        modPub::LoadSettings();
        EXPECT_EQ(modPub::strKeyWord, u"kw"_s);
        EXPECT_EQ(modPub::lngMaxPage, maxPage);
        EXPECT_EQ(modPub::strKeyUrl, u"http://a.example/"_s);
    }
}

TEST_F(SettingsFile, EmptyKeyWordIsRemovedAndWrittenAgainAfterTheOthers)
{
    writeBytes("[APPLICATION]\r\nKeyWord=\r\nMaxPage=5\r\nKeyUrl=http://a/\r\n");
    modPub::LoadSettings();
    EXPECT_EQ(modPub::strKeyWord, QString());
    EXPECT_EQ(readBytes(), QByteArray("[APPLICATION]\r\nMaxPage=5\r\nKeyUrl=http://a/\r\n"));

    modPub::strKeyWord = u"new"_s;
    modPub::SaveSettings();
    EXPECT_EQ(readBytes(),
        QByteArray("[APPLICATION]\r\nMaxPage=5\r\nKeyUrl=http://a/\r\nKeyWord=new\r\n"));
}

TEST_F(SettingsFile, QuotedKeyWordLosesTheBlanksInsideTheQuotes)
{
    writeBytes("[application]\r\nkeyword = \"  two words  \" \r\nmaxpage=3\r\n");
    modPub::LoadSettings();
    EXPECT_EQ(modPub::strKeyWord, u"two words"_s);
    EXPECT_EQ(modPub::lngMaxPage, 3);
}

TEST_F(SettingsFile, MissingFileGivesTheDefault)
{
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), QString());
    EXPECT_FALSE(QFile::exists(modIni::strIniFile));

    // A default that is a text is written back, which creates the file.
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s, u"默认"_s), u"默认"_s);
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=\xc4\xac\xc8\xcf\r\n"));
}

// With no settings place the file's name is empty: nothing is read or
// written, not even a file the system would find by that name (on Windows
// one in the Windows folder).
TEST_F(SettingsFile, NoSettingsFileReadsAndWritesNothing)
{
    modIni::strIniFile.clear();
    EXPECT_FALSE(modIni::SetIniValue(u"APPLICATION"_s, u"KeyWord"_s, u"新词"_s));
    modPub::SetDefaultSettings();
    modPub::SaveSettings();
    EXPECT_EQ(modIni::GetIniValue(u"APPLICATION"_s, u"KeyWord"_s, u"默认"_s), u"默认"_s);
    EXPECT_EQ(modIni::GetIniValue(u"APPLICATION"_s, u"MaxPage"_s), QString());
    EXPECT_EQ(modIni::readIniValue(u"APPLICATION"_s, u"KeyWord"_s), QString());
}

// The read stops after 143 bytes of the file's code page; what it gives must
// still decode. The stored bytes reach the program as they are on Windows;
// Wine's narrow read goes through Unicode and back, which the rows that say
// so meet.
TEST_F(SettingsFile, LongValueIsCutAfter143Bytes)
{
    const struct
    {
        QByteArray stored;
        QString expected;
        const char *wineDiffers = nullptr;
    } values[] = {
        { QByteArray(200, 'a'), QString(143, u'a') },
        { QByteArray(141, 'c') + "\xd6\xd0\xce\xc4", QString(141, u'c') + u"中"_s },
        // The cut splits 中: its first byte is dropped.
        { QByteArray(142, 'd') + "\xd6\xd0", QString(142, u'd') },
        // A byte the code page does not hold costs one character, not the value.
        { QByteArray("a\xff"
                     "b\xd6\xd0"),
            u"a\ufffdb中"_s },
        { QByteArray("ab\xd6"), u"ab\ufffd"_s,
            "Wine's narrow read turns a lead byte without its second byte into \"?\"" },
        { QByteArray("a\0b", 3), u"ab"_s, "Wine ends the value at a NUL byte" },
    };
    for (const auto &[stored, expected, wineDiffers] : values) {
        if (skipUnderWine(stored, wineDiffers))
            continue;
        writeBytes("[A]\r\nk=" + stored + "\r\n");
        EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), expected) << stored.toHex().constData();
        EXPECT_EQ(readBytes(), "[A]\r\nk=" + stored + "\r\n");
    }
}

TEST_F(SettingsFile, TextGoesThroughTheCodePage)
{
    EXPECT_TRUE(modIni::SetIniValue(u"A"_s, u"k"_s, u"网站排名查询"_s));
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), u"网站排名查询"_s);
}

} // namespace
