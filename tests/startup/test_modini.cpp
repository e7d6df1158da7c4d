#include "startup/modini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

using namespace Qt::Literals::StringLiterals;

namespace {

class ModIni : public testing::Test
{
protected:
    void SetUp() override { modIni::strIniFile = m_dir.filePath(QStringLiteral("TLV.INI")); }

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

TEST_F(ModIni, MissingFileGivesTheDefault)
{
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), QString());
    EXPECT_FALSE(QFile::exists(modIni::strIniFile));

    // A default that is a text is written back, which creates the file.
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s, u"默认"_s), u"默认"_s);
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=\xc4\xac\xc8\xcf\r\n"));
}

TEST_F(ModIni, EmptyEntryIsRemovedWithAnAbsentDefault)
{
    writeBytes("[A]\r\nk=\r\nx=1\r\n");
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), QString());
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nx=1\r\n"));
}

TEST_F(ModIni, EmptyEntryTakesAGivenDefault)
{
    writeBytes("[A]\r\nk=\r\nx=1\r\n");
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s, u"d"_s), u"d"_s);
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=d\r\nx=1\r\n"));
}

struct LongValue
{
    const char *name;
    QByteArray stored;
    QString expected;
};

void PrintTo(const LongValue &value, std::ostream *out)
{
    *out << value.name;
}

class ModIniLongValue : public ModIni, public testing::WithParamInterface<LongValue>
{
};

// The read stops after 143 bytes of the file's code page.
TEST_P(ModIniLongValue, IsCutAfter143Bytes)
{
    writeBytes("[A]\r\nk=" + GetParam().stored + "\r\n");
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), GetParam().expected);
    EXPECT_EQ(readBytes(), "[A]\r\nk=" + GetParam().stored + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Values, ModIniLongValue,
    testing::Values(LongValue { "SingleBytes", QByteArray(200, 'a'), QString(143, u'a') },
        LongValue { "Exactly143", QByteArray(143, 'b'), QString(143, u'b') },
        LongValue { "LastCharacterWhole", QByteArray(141, 'c') + "\xd6\xd0\xce\xc4",
            QString(141, u'c') + u"中"_s },
        // The cut splits 中: its first byte is dropped.
        LongValue { "LastCharacterSplit", QByteArray(142, 'd') + "\xd6\xd0", QString(142, u'd') },
        // A byte the code page does not hold costs one character, not the value.
        LongValue { "InvalidByte",
            QByteArray("a\xff"
                       "b\xd6\xd0"),
            u"a\ufffdb中"_s },
        LongValue { "NulInside", QByteArray("a\0b", 3), u"ab"_s },
        LongValue { "LoneLeadByteAtTheEnd", QByteArray("ab\xd6"), u"ab\ufffd"_s }),
    [](const testing::TestParamInfo<LongValue> &info) { return info.param.name; });

TEST_F(ModIni, ChineseTextRoundTripsThroughTheCodePage)
{
    EXPECT_TRUE(modIni::SetIniValue(u"A"_s, u"k"_s, u"网站排名查询"_s));
    EXPECT_EQ(
        readBytes(), QByteArray("[A]\r\nk=\xcd\xf8\xd5\xbe\xc5\xc5\xc3\xfb\xb2\xe9\xd1\xaf\r\n"));
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), u"网站排名查询"_s);
}

TEST_F(ModIni, CharacterTheCodePageLacksBecomesAQuestionMark)
{
    EXPECT_TRUE(modIni::SetIniValue(u"A"_s, u"k"_s, u"中한\U0001F600"_s));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=\xd6\xd0??\r\n"));
    EXPECT_EQ(modIni::GetIniValue(u"A"_s, u"k"_s), u"中??"_s);
}

TEST_F(ModIni, ValueWithLineBreaksStaysOnOneLine)
{
    writeBytes("[A]\r\nk=old\r\n[B]\r\nx=1\r\n");
    EXPECT_TRUE(modIni::SetIniValue(u"A"_s, u"k"_s, u"one\r\n[B]\nx=2"_s));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=one [B] x=2\r\n[B]\r\nx=1\r\n"));
    EXPECT_EQ(modIni::GetIniValue(u"B"_s, u"x"_s), u"1"_s);
}

TEST_F(ModIni, WriteToAFolderThatCannotBeWrittenFails)
{
    writeBytes("[A]\r\nk=v\r\n");
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), readOnly));
    EXPECT_FALSE(modIni::SetIniValue(u"A"_s, u"k"_s, u"new"_s));
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), readOnly | QFileDevice::WriteOwner));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=v\r\n"));
}

} // namespace
