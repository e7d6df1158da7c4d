#include "startup/modini.h"
#include "startup/modpub.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

using namespace Qt::Literals::StringLiterals;

namespace {

class Settings : public testing::Test
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
        QFile file(modIni::strIniFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray readBytes() const
    {
        QFile file(modIni::strIniFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

TEST_F(Settings, FirstStartWritesFourLines)
{
    modPub::SetDefaultSettings();
    modPub::SaveSettings();
    // The default phrase in code page 936.
    const QByteArray keyWord = "\xcd\xf8\xd5\xbe\xc5\xc5\xc3\xfb\xb2\xe9\xd1\xaf";
    EXPECT_EQ(readBytes(),
        "[APPLICATION]\r\nKeyWord=" + keyWord
            + "\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n");

    modPub::strKeyWord.clear();
    modPub::lngMaxPage = 0;
    modPub::strKeyUrl.clear();
    modPub::LoadSettings();
    EXPECT_EQ(modPub::strKeyWord, u"网站排名查询"_s);
    EXPECT_EQ(modPub::lngMaxPage, 20);
    EXPECT_EQ(modPub::strKeyUrl, u"http://www.example.com/"_s);
}

TEST(SettingsPath, OneSeparatorBeforeTheFileName)
{
    EXPECT_EQ(modPub::appPathFromFolder(u"/"_s) + u"TLV.INI"_s, u"/TLV.INI"_s);
    EXPECT_EQ(modPub::appPathFromFolder(u"/opt/tolvaro"_s), u"/opt/tolvaro/"_s);
    EXPECT_EQ(modPub::appPathFromFolder(u"C:/"_s), u"C:/"_s);
}

TEST_F(Settings, EmptyFileLoadsEmptySettingsAndStaysEmpty)
{
    writeBytes(QByteArray());
    modPub::LoadSettings();
    EXPECT_EQ(modPub::strKeyWord, QString());
    EXPECT_EQ(modPub::lngMaxPage, 0);
    EXPECT_EQ(modPub::strKeyUrl, QString());
    EXPECT_EQ(readBytes(), QByteArray());
}

struct PageCount
{
    const char *stored;
    qint32 expected;
};

void PrintTo(const PageCount &count, std::ostream *out)
{
    *out << '"' << count.stored << '"';
}

class SettingsPageCount : public Settings, public testing::WithParamInterface<PageCount>
{
};

// Whatever the page count holds, the site address is still read: losing it
// would erase it from the file at the next save.
TEST_P(SettingsPageCount, LoadsTheCountAndTheSite)
{
    writeBytes("[APPLICATION]\r\nKeyWord=kw\r\nMaxPage=" + QByteArray(GetParam().stored)
        + "\r\nKeyUrl=http://a.example/\r\n");
    modPub::LoadSettings();
    EXPECT_EQ(modPub::strKeyWord, u"kw"_s);
    EXPECT_EQ(modPub::lngMaxPage, GetParam().expected);
    EXPECT_EQ(modPub::strKeyUrl, u"http://a.example/"_s);
}

INSTANTIATE_TEST_SUITE_P(Forms, SettingsPageCount,
    testing::Values(PageCount { " 12 ", 12 }, PageCount { "2.5", 2 }, PageCount { "3.5", 4 },
        PageCount { "-1", -1 }, PageCount { "\"7\"", 7 }, PageCount { "2147483648", 0 },
        PageCount { "-2147483649", 0 }, PageCount { "abc", 0 }, PageCount { "20pages", 0 },
        PageCount { "", 0 }));

TEST_F(Settings, EmptyKeyWordIsRemovedAndWrittenAgainAfterTheOthers)
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

TEST_F(Settings, QuotedKeyWordLosesTheBlanksInsideTheQuotes)
{
    writeBytes("[application]\r\nkeyword = \"  two words  \" \r\nmaxpage=3\r\n");
    modPub::LoadSettings();
    EXPECT_EQ(modPub::strKeyWord, u"two words"_s);
    EXPECT_EQ(modPub::lngMaxPage, 3);
}

TEST_F(Settings, SaveKeepsTheRestOfTheFile)
{
    writeBytes("; tolvaro\r\n[application]\nkeyword = old\nmaxpage=3\n\n[Other]\r\nx=1");
    modPub::LoadSettings();
    modPub::strKeyWord = u"新"_s;
    modPub::lngMaxPage = -4;
    modPub::strKeyUrl = u"http://b/"_s;
    modPub::SaveSettings();
    EXPECT_EQ(readBytes(),
        QByteArray("; tolvaro\r\n[application]\nkeyword=\xd0\xc2\r\nmaxpage=-4\r\n"
                   "KeyUrl=http://b/\r\n\n[Other]\r\nx=1"));
}

} // namespace
