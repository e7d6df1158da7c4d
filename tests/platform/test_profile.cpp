#include "platform/profile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

// The entry reader and writer on well-formed files. Damaged, odd and
// write-protected settings files are in test_profile_hostile.cpp; the reader's
// buffer sizes are held by its fuzz target.
namespace {

const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6));

class ProfileFile : public testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("TLV.INI")); }

    void writeBytes(const QByteArray &bytes)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
        ASSERT_TRUE(file.flush());
        // Dated back, so that a rewrite shows in the time stamp.
        ASSERT_TRUE(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
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

    QTemporaryDir m_dir;
};

TEST_F(ProfileFile, ReadFindsTheValue)
{
    // File content, and the value read for section "A", key "k".
    const struct
    {
        const char *file;
        const char *value;
    } cases[] = { { "[A]\r\nk=v\r\n", "v" }, { "[A]\rx=1\rk=v", "v" },
        { "[a]\r\n  K  =  two words \t\r\n", "two words" }, { "  [ A ]  \r\nk=v\r\n", "v" },
        { "[A]\r\nk= \"  a b  \" \r\n", "  a b  " }, { "[A]\r\nk='x'\r\n", "x" },
        { "[A]\r\nk=\"\"x\"\"\r\n", "\"x\"" }, { "[A]\r\nk=\"x'\r\n", "\"x'" },
        { "[A]\r\nk=\"\r\n", "\"" }, { "[A]\r\nk=a=b\r\n", "a=b" }, { "[A]\r\nk=\r\n", "" },
        { "[B]\r\nk=1\r\n[A]\r\nx=2\r\n", "<default>" }, { "[A]\r\n;k=1\r\nk=;x\r\n", ";x" },
        { "[A]\r\nk\r\n", "<default>" }, { "[A]junk\r\nk=v\r\n", "v" } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        writeBytes(c.file);
        EXPECT_EQ(read("A", "k", "<default>"), QByteArray(c.value));
    }
}

TEST_F(ProfileFile, WriteEditsOnlyWhatItMust)
{
    // File content; key and value (nullptr: remove) written to section "A"; content after.
    const struct
    {
        const char *before;
        const char *key;
        const char *value;
        const char *after;
    } cases[] = { { "[a]\r\nkEY = old\r\n", "Key", "new", "[a]\r\nkEY=new\r\n" },
        { "[A]\r\nx=1\r\n; c\r\n\r\n[B]\r\nk=2\r\n", "k", "v",
            "[A]\r\nx=1\r\nk=v\r\n; c\r\n\r\n[B]\r\nk=2\r\n" },
        { "[A]\n[B]\n", "k", "v", "[A]\nk=v\r\n[B]\n" }, { "", "k", "v", "[A]\r\nk=v\r\n" },
        { "[A]\r\nk=v\r\n", "k", "", "[A]\r\nk=\r\n" },
        { "[A]\r\nk=v\r\n", "k", " v ", "[A]\r\nk= v \r\n" },
        // A line break in the value never makes a line of its own.
        { "[A]\r\nk=v\r\nz=1\r\n", "k", "a\r\n[B]\nc\rd\n\n", "[A]\r\nk=a [B] c d  \r\nz=1\r\n" },
        { "[A]\r\nk=1\r\nk=2\r\n", "K", nullptr, "[A]\r\nk=2\r\n" },
        { "[A]\r\nx=1\r\nk=", "k", nullptr, "[A]\r\nx=1\r\n" } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.before);
        writeBytes(c.before);
        EXPECT_TRUE(
            write("A", c.key, c.value ? std::optional<QByteArrayView>(c.value) : std::nullopt));
        EXPECT_EQ(readBytes(), QByteArray(c.after));
    }
}

TEST_F(ProfileFile, WriteKeepsEveryUntouchedByte)
{
    const QByteArray untouched
        = "; settings\r\n\r\n[Other]\nk = elsewhere\n\r\n  [ A ]  \r\n"
          "\tx =  12 \r\n; note\r\nK\t=\t\"old\"\r\nodd line\n\nz=1\r\n[Last]\rk=1";
    writeBytes(untouched);
    EXPECT_TRUE(write("a", "k", "new"));
    QByteArray expected = QByteArray(untouched).replace("K\t=\t\"old\"\r\n", "K=new\r\n");
    EXPECT_EQ(readBytes(), expected);

    EXPECT_TRUE(write("A", "New", "1"));
    expected.replace("z=1\r\n", "z=1\r\nNew=1\r\n");
    EXPECT_EQ(readBytes(), expected);
}

TEST_F(ProfileFile, WriteThatChangesNothingLeavesTheFileAlone)
{
    writeBytes("[A]\r\nk=v\r\n;x=1\r\n");
    EXPECT_TRUE(write("A", "k", "v"));
    EXPECT_TRUE(write("A", "x", std::nullopt));
    EXPECT_EQ(QFileInfo(path()).lastModified(), longAgo);
}

TEST_F(ProfileFile, WriteCreatesAMissingFileButRemovalDoesNot)
{
    EXPECT_TRUE(write("A", "k", std::nullopt));
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_TRUE(write("A", "k", "v"));
    EXPECT_EQ(readBytes(), QByteArray("[A]\r\nk=v\r\n"));
    // Nothing of the replacement is left behind.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("TLV.INI") });
}

TEST_F(ProfileFile, ReplacedFileKeepsItsPermissions)
{
    writeBytes("[A]\r\nk=v\r\n");
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path(), mode));
    EXPECT_TRUE(write("A", "k", "new"));
    const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    EXPECT_EQ(QFile::permissions(path()) & ~userBits, mode);
}

} // namespace
