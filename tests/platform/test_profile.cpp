#include "platform/profile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace {

class ProfileFile : public testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("TLV.INI")); }

    void writeBytes(const QByteArray &bytes)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray readBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QByteArray read(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue = "",
        qint32 size = 144) const
    {
        QByteArray buffer(size, '#');
        const qint32 count = platform::getPrivateProfileString(
            section, key, defaultValue, buffer.data(), size, path());
        EXPECT_EQ(buffer[count], '\0');
        return buffer.first(count);
    }

    bool write(QByteArrayView section, QByteArrayView key, std::optional<QByteArrayView> value)
    {
        return platform::writePrivateProfileString(section, key, value, path());
    }

    // Dates the file back, so that a later rewrite shows in its time stamp.
    void ageFile()
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(
            QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)), QFileDevice::FileModificationTime));
    }

    bool fileWasRewritten() const
    {
        return QFileInfo(path()).lastModified() != QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6));
    }

    QTemporaryDir m_dir;
};

struct ReadCase
{
    const char *name;
    const char *content;
    const char *section;
    const char *key;
    const char *expected;
};

void PrintTo(const ReadCase &c, std::ostream *out)
{
    *out << c.name;
}

class ProfileRead : public ProfileFile, public testing::WithParamInterface<ReadCase>
{
};

TEST_P(ProfileRead, FindsTheValue)
{
    writeBytes(GetParam().content);
    EXPECT_EQ(
        read(GetParam().section, GetParam().key, "<default>"), QByteArray(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Files, ProfileRead,
    testing::Values(ReadCase { "CrLf", "[A]\r\nk=v\r\n", "A", "k", "v" },
        ReadCase { "LfOnly", "[A]\nx=1\nk=v\n", "A", "k", "v" },
        ReadCase { "CrOnly", "[A]\rx=1\rk=v", "A", "k", "v" },
        ReadCase { "SmallLettersAndBlanks", "[application]\r\n  keyword  =  some words \t\r\n",
            "APPLICATION", "KeyWord", "some words" },
        ReadCase { "BlanksInsideBrackets", "[ A ]\r\nk=v\r\n", "A", "k", "v" },
        ReadCase {
            "DoubleQuotesKeepInnerBlanks", "[A]\r\nk= \"  a b  \" \r\n", "A", "k", "  a b  " },
        ReadCase { "SingleQuotes", "[A]\r\nk='x'\r\n", "A", "k", "x" },
        ReadCase { "OnlyOnePairOfQuotes", "[A]\r\nk=\"\"x\"\"\r\n", "A", "k", "\"x\"" },
        ReadCase { "MismatchedQuotesStay", "[A]\r\nk=\"x'\r\n", "A", "k", "\"x'" },
        ReadCase { "LoneQuoteStays", "[A]\r\nk=\"\r\n", "A", "k", "\"" },
        ReadCase { "EqualsInValue", "[A]\r\nk=a=b\r\n", "A", "k", "a=b" },
        ReadCase { "EmptyValueIsNotTheDefault", "[A]\r\nk=\r\n", "A", "k", "" },
        ReadCase { "FirstKeyWins", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1" },
        ReadCase { "FirstSectionWins", "[A]\r\nx=1\r\n[a]\r\nk=2\r\n", "A", "k", "<default>" },
        ReadCase { "KeyOfAnotherSection", "[B]\r\nk=1\r\n[A]\r\nx=2\r\n", "A", "k", "<default>" },
        ReadCase { "CommentIsNoEntry", "[A]\r\n;k=1\r\n", "A", "k", "<default>" },
        ReadCase { "SemicolonInValue", "[A]\r\nk=;x\r\n", "A", "k", ";x" },
        ReadCase { "LinesBeforeTheFirstSection", "k=1\r\n[A]\r\n", "A", "k", "<default>" },
        ReadCase { "LineWithoutEquals", "[A]\r\nk\r\n", "A", "k", "<default>" },
        ReadCase { "TextAfterClosingBracket", "[A]junk\r\nk=v\r\n", "A", "k", "v" },
        ReadCase { "HeaderWithoutClosingBracket", "[A \r\nk=v\r\n", "A", "k", "v" },
        ReadCase { "SpacesAroundTheArguments", "[A]\r\nk=v\r\n", " A ", " k ", "v" },
        // 0x81 0x5D is one character whose second byte is "]".
        ReadCase { "BracketAsSecondByte", "[\x81]]\r\nk=v\r\n", "\x81]", "k", "v" },
        // Only single-byte letters fold: 0x81 0x41 and 0x81 0x61 are different characters.
        ReadCase {
            "DoubleByteNamesMatchExactly", "[\x81\x61]\r\nk=v\r\n", "\x81\x41", "k", "<default>" },
        ReadCase { "LettersAfterDoubleByteFold", "[\x81\x41x]\r\nk=v\r\n", "\x81\x41X", "k", "v" },
        ReadCase { "NoSection", "", "A", "k", "<default>" }),
    [](const testing::TestParamInfo<ReadCase> &info) { return info.param.name; });

TEST_F(ProfileFile, ReadCopiesAtMostSizeLessOneBytes)
{
    writeBytes("[A]\r\nk=abcdefgh\r\n");
    EXPECT_EQ(read("A", "k", "", 5), QByteArray("abcd"));
    EXPECT_EQ(read("A", "k", "", 1), QByteArray());
    EXPECT_EQ(read("A", "x", "default", 4), QByteArray("def"));

    char untouched = '#';
    EXPECT_EQ(platform::getPrivateProfileString("A", "k", "", &untouched, 0, path()), 0);
    EXPECT_EQ(untouched, '#');
}

TEST_F(ProfileFile, DefaultLosesTrailingSpacesOnly)
{
    EXPECT_EQ(read("A", "k", "  def  "), QByteArray("  def"));
}

struct WriteCase
{
    const char *name;
    const char *before;
    const char *section;
    const char *key;
    std::optional<const char *> value;
    const char *after;
};

void PrintTo(const WriteCase &c, std::ostream *out)
{
    *out << c.name;
}

class ProfileWrite : public ProfileFile, public testing::WithParamInterface<WriteCase>
{
};

TEST_P(ProfileWrite, EditsOnlyWhatItMust)
{
    writeBytes(GetParam().before);
    std::optional<QByteArrayView> value;
    if (GetParam().value)
        value = QByteArrayView(*GetParam().value);
    EXPECT_TRUE(write(GetParam().section, GetParam().key, value));
    EXPECT_EQ(readBytes(), QByteArray(GetParam().after));
}

constexpr char untouchedBytes[] = "; settings\r\n"
                                  "\r\n"
                                  "[Other]\n"
                                  "KeyWord = elsewhere\n"
                                  "\r\n"
                                  "  [ APPLICATION ]  \r\n"
                                  "\tMaxPage =  12 \r\n"
                                  "; the site\r\n"
                                  "KEYWORD\t=\t\"old\"\r\n"
                                  "odd line\n"
                                  "\n"
                                  "KeyUrl=http://a/\r\n"
                                  "[Last]\r"
                                  "x=1";
constexpr char untouchedAfterReplace[] = "; settings\r\n"
                                         "\r\n"
                                         "[Other]\n"
                                         "KeyWord = elsewhere\n"
                                         "\r\n"
                                         "  [ APPLICATION ]  \r\n"
                                         "\tMaxPage =  12 \r\n"
                                         "; the site\r\n"
                                         "KEYWORD=new\r\n"
                                         "odd line\n"
                                         "\n"
                                         "KeyUrl=http://a/\r\n"
                                         "[Last]\r"
                                         "x=1";
constexpr char untouchedAfterAdd[] = "; settings\r\n"
                                     "\r\n"
                                     "[Other]\n"
                                     "KeyWord = elsewhere\n"
                                     "\r\n"
                                     "  [ APPLICATION ]  \r\n"
                                     "\tMaxPage =  12 \r\n"
                                     "; the site\r\n"
                                     "KEYWORD\t=\t\"old\"\r\n"
                                     "odd line\n"
                                     "\n"
                                     "KeyUrl=http://a/\r\n"
                                     "New=1\r\n"
                                     "[Last]\r"
                                     "x=1";

INSTANTIATE_TEST_SUITE_P(Files, ProfileWrite,
    testing::Values(WriteCase { "ReplaceKeepsEveryOtherByte", untouchedBytes, "application",
                        "KeyWord", "new", untouchedAfterReplace },
        WriteCase { "AddKeepsEveryOtherByte", untouchedBytes, "APPLICATION", "New", "1",
            untouchedAfterAdd },
        WriteCase { "ReplaceKeepsTheStoredKey", "[Application]\r\nkeyWord = old\r\n", "APPLICATION",
            "KeyWord", "new", "[Application]\r\nkeyWord=new\r\n" },
        WriteCase { "ReplaceEndsTheLastLine", "[A]\r\nk=old", "A", "k", "new", "[A]\r\nk=new\r\n" },
        WriteCase {
            "ReplaceOnlyTheFirstKey", "[A]\nk=1\nk=2\n", "A", "k", "3", "[A]\nk=3\r\nk=2\n" },
        WriteCase { "AddAfterTheLastEntryBeforeComments",
            "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2\r\n", "A", "k", "v",
            "[A]\r\nx=1\r\nk=v\r\n; note\r\n\r\n[B]\r\ny=2\r\n" },
        WriteCase {
            "AddToASectionWithoutEntries", "[A]\n[B]\n", "A", "k", "v", "[A]\nk=v\r\n[B]\n" },
        WriteCase {
            "AddAfterALastLineWithoutBreak", "[A]\nx=1", "A", "k", "v", "[A]\nx=1\r\nk=v\r\n" },
        WriteCase { "AddToTheFirstOfTwoSections", "[A]\nx=1\n[A]\nk=old\n", "A", "k", "v",
            "[A]\nx=1\nk=v\r\n[A]\nk=old\n" },
        WriteCase {
            "NewSectionAfterALineBreak", "[B]\ny=2\n", "A", "k", "v", "[B]\ny=2\n[A]\r\nk=v\r\n" },
        WriteCase {
            "NewSectionEndsTheLastLine", "[B]\ny=2", "A", "k", "v", "[B]\ny=2\r\n[A]\r\nk=v\r\n" },
        WriteCase { "NewSectionInAnEmptyFile", "", "A", "k", "v", "[A]\r\nk=v\r\n" },
        WriteCase { "EmptyValue", "[A]\r\nk=v\r\n", "A", "k", "", "[A]\r\nk=\r\n" },
        WriteCase { "BlanksWrittenAsGiven", "", "A", "k", " v ", "[A]\r\nk= v \r\n" },
        WriteCase { "LineBreaksBecomeBlanks", "[A]\r\nk=v\r\nz=1\r\n", "A", "k", "a\r\nb\nc\rd\n\n",
            "[A]\r\nk=a b c d  \r\nz=1\r\n" },
        WriteCase { "RemoveTheFirstEntry", "[A]\r\nk=1\r\nk=2\r\n", "A", "K", std::nullopt,
            "[A]\r\nk=2\r\n" },
        WriteCase {
            "RemoveTheLastLine", "[A]\r\nx=1\r\nk=", "A", "k", std::nullopt, "[A]\r\nx=1\r\n" },
        WriteCase { "RemoveMissingKey", "[A]\r\nx=1\r\n;k=2\r\n", "A", "k", std::nullopt,
            "[A]\r\nx=1\r\n;k=2\r\n" }),
    [](const testing::TestParamInfo<WriteCase> &info) { return info.param.name; });

TEST_F(ProfileFile, WriteCreatesAMissingFile)
{
    EXPECT_TRUE(write("A", "k", "v"));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=v\r\n"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("TLV.INI") });
}

TEST_F(ProfileFile, RemovingFromAMissingFileCreatesNothing)
{
    EXPECT_TRUE(write("A", "k", std::nullopt));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(ProfileFile, WriteThatChangesNothingLeavesTheFileAlone)
{
    writeBytes("[A]\r\nk=v\r\n");
    ageFile();
    EXPECT_TRUE(write("A", "k", "v"));
    EXPECT_TRUE(write("A", "missing", std::nullopt));
    EXPECT_FALSE(fileWasRewritten());
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=v\r\n"));
}

TEST_F(ProfileFile, ReadOnlyFileStaysAsItWas)
{
    writeBytes("[A]\r\nk=v\r\n");
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(path(), readOnly));
    EXPECT_FALSE(write("A", "k", "new"));
    EXPECT_FALSE(write("A", "k", std::nullopt));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=v\r\n"));
    EXPECT_EQ(
        QFile::permissions(path()) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), readOnly);
    EXPECT_EQ(read("A", "k"), QByteArray("v"));
}

TEST_F(ProfileFile, ReplacedFileKeepsItsPermissions)
{
    writeBytes("[A]\r\nk=v\r\n");
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path(), mode));
    EXPECT_TRUE(write("A", "k", "new"));
    EXPECT_EQ(QFile::permissions(path()) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), mode);
}

TEST_F(ProfileFile, FolderThatCannotBeWritten)
{
    writeBytes("[A]\r\nk=v\r\n");
    const QString other = m_dir.filePath(QStringLiteral("other.ini"));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), readOnly));
    EXPECT_FALSE(write("A", "k", "new"));
    EXPECT_FALSE(platform::writePrivateProfileString("A", "k", "v", other));
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), readOnly | QFileDevice::WriteOwner));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=v\r\n"));
    EXPECT_FALSE(QFile::exists(other));
}

TEST_F(ProfileFile, MissingFolder)
{
    const QString file = m_dir.filePath(QStringLiteral("gone/TLV.INI"));
    EXPECT_FALSE(platform::writePrivateProfileString("A", "k", "v", file));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("gone"))));
}

TEST_F(ProfileFile, FolderNamedLikeTheFile)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("TLV.INI")));
    EXPECT_EQ(read("A", "k", "default"), QByteArray("default"));
    EXPECT_FALSE(write("A", "k", "v"));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

} // namespace
