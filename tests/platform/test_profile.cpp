#include "platform/profile.h"
#include "support/files.h"
#include "support/wine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#ifdef Q_OS_WIN
#include "platform/wide_win32.h"

#include <windows.h>
#endif

// The entry reader and writer on well-formed files. Damaged, odd and
// write-protected settings files are in tests/startup/; the reader's buffer
// sizes are held by its fuzz target.
//
// One table for every platform: on Windows it holds the system's own
// functions, elsewhere our rules, which follow Windows. Wine's rewrite of the
// system's functions differs from Windows in recorded points; the rows that
// meet one say so and are left out under Wine only.
namespace {

class ProfileFile : public testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("TLV.INI")); }

    // Dated back, each time to another moment, so that a rewrite shows in
    // the time stamp.
    void writeBytes(const QByteArray &bytes) { ASSERT_TRUE(writePastFileBytes(path(), bytes)); }

    QByteArray readBytes() const { return fileBytes(path()); }

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
    // File content; key and value (nullptr: remove) written to section "A";
    // content after; how Wine differs, if it does.
    const struct
    {
        const char *before;
        const char *key;
        const char *value;
        const char *after;
        const char *wineDiffers = nullptr;
    } cases[] = { { "[a]\r\nkEY = old\r\n", "Key", "new", "[a]\r\nkEY=new\r\n" },
        { "[A]\r\nx=1\r\n; c\r\n\r\n[B]\r\nk=2\r\n", "k", "v",
            "[A]\r\nx=1\r\nk=v\r\n; c\r\n\r\n[B]\r\nk=2\r\n",
            "Wine rewrites the whole file: a new key goes after the section's comments, "
            "blank lines are dropped" },
        { "[A]\n[B]\n", "k", "v", "[A]\nk=v\r\n[B]\n", "Wine rewrites every line with CR LF" },
        { "", "k", "v", "[A]\r\nk=v\r\n" }, { "[A]\r\nk=v\r\n", "k", "", "[A]\r\nk=\r\n" },
        { "[A]\r\nk=v\r\n", "k", " v ", "[A]\r\nk= v \r\n",
            "Wine drops the blanks that begin a written value" },
        // A line break in the value never makes a line of its own.
        { "[A]\r\nk=v\r\nz=1\r\n", "k", "a\r\n[B]\nc\rd\n\n", "[A]\r\nk=a [B] c d  \r\nz=1\r\n" },
        { "[A]\r\nk=1\r\nk=2\r\n", "K", nullptr, "[A]\r\nk=2\r\n" },
        { "[A]\r\nx=1\r\nk=", "k", nullptr, "[A]\r\nx=1\r\n" } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.before);
        if (skipUnderWine(c.before, c.wineDiffers))
            continue;
        writeBytes(c.before);
        EXPECT_TRUE(
            write("A", c.key, c.value ? std::optional<QByteArrayView>(c.value) : std::nullopt));
        EXPECT_EQ(readBytes(), QByteArray(c.after));
    }
}

TEST_F(ProfileFile, WriteKeepsEveryUntouchedByte)
{
    if (underWine())
        GTEST_SKIP() << "Wine rewrites the whole file on a write (blank lines dropped, "
                        "\"k = v\" as \"k=v\", CR LF everywhere); Windows edits it in place";
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
    const QDateTime written = QFileInfo(path()).lastModified();
    EXPECT_TRUE(write("A", "k", "v"));
    EXPECT_TRUE(write("A", "x", std::nullopt));
    EXPECT_EQ(QFileInfo(path()).lastModified(), written);
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

// A write keeps what the user set on the file, whichever rules write its
// form: the permission bits on POSIX systems; on Windows the hidden mark, and
// a read-only mark on the folder, which says nothing about writing in it (it
// marks a customised folder), does not stop the write.
TEST_F(ProfileFile, ReplacedFileKeepsItsPermissions)
{
    const struct
    {
        const char *name;
        QByteArray before;
    } forms[] = {
        { "code page", "[A]\r\nk=v\r\n" },
        { "UTF-16", QByteArray("\xff\xfe[\0A\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0", 22) },
        { "UTF-8 mark", "\xef\xbb\xbf[A]\r\nk=v\r\n" },
    };
    for (const auto &form : forms) {
        SCOPED_TRACE(form.name);
        writeBytes(form.before);
#ifdef Q_OS_WIN
        const auto setAttributes = [](const QString &path, DWORD attributes) {
            return SetFileAttributesW(platform::wide(QDir::toNativeSeparators(path)), attributes);
        };
        const auto attributesOf = [](const QString &path) {
            return GetFileAttributesW(platform::wide(QDir::toNativeSeparators(path)));
        };
        ASSERT_TRUE(setAttributes(path(), FILE_ATTRIBUTE_HIDDEN));
        ASSERT_TRUE(setAttributes(m_dir.path(), FILE_ATTRIBUTE_READONLY));
        // Wine keeps no read-only mark on a folder; the hidden mark still counts.
        if (!(attributesOf(m_dir.path()) & FILE_ATTRIBUTE_READONLY))
            skipUnderWine(
                form.name, "Wine keeps no read-only mark on a folder: that part is left out");
        EXPECT_TRUE(write("A", "k", "new"));
        EXPECT_EQ(read("A", "k"), QByteArray("new"));
        EXPECT_TRUE(attributesOf(path()) & FILE_ATTRIBUTE_HIDDEN);
        ASSERT_TRUE(setAttributes(m_dir.path(), FILE_ATTRIBUTE_NORMAL));
        ASSERT_TRUE(setAttributes(path(), FILE_ATTRIBUTE_NORMAL));
#else
        const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        ASSERT_TRUE(QFile::setPermissions(path(), mode));
        EXPECT_TRUE(write("A", "k", "new"));
        EXPECT_EQ(read("A", "k"), QByteArray("new"));
        const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
        EXPECT_EQ(QFile::permissions(path()) & ~userBits, mode);
#endif
    }
}

// A file with a byte-order mark keeps its form: values come out in the code
// page, a write goes back in the file's own encoding, and every line it does
// not change keeps its bytes, even where they are no valid text.
TEST_F(ProfileFile, MarkedFilesAreEditedInTheirOwnEncoding)
{
    const auto utf16 = [](const std::u16string &text, bool bigEndian = false) {
        QByteArray bytes(bigEndian ? "\xfe\xff" : "\xff\xfe");
        for (const char16_t unit : text) {
            const char low = char(unit & 0xff);
            const char high = char(unit >> 8);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    };
    const std::u16string loneSurrogate(1, char16_t(0xd800));
    const struct
    {
        const char *name;
        QByteArray before;
        QByteArray after; // once k is set to 新 in code page 936 ("\xd0\xc2")
        const char *wineDiffers = nullptr;
    } cases[] = {
        { "UTF-16", utf16(u"; 说明 \U0001F600\r\n[A]\r\nk=旧\r\nx=" + loneSurrogate + u"\r\n"),
            utf16(u"; 说明 \U0001F600\r\n[A]\r\nk=新\r\nx=" + loneSurrogate + u"\r\n") },
        { "UTF-16 with an odd last byte, new section", utf16(u"[B]\r\ny=" + loneSurrogate) + "\x41",
            utf16(u"[B]\r\ny=" + loneSurrogate + u"\r\n[A]\r\nk=新\r\n") + "\x41",
            "Wine reads the odd last byte as a character of its own and writes it back "
            "as a whole one, before the new section" },
        { "UTF-16 mark only", utf16(u""), utf16(u"[A]\r\nk=新\r\n") },
        // From here on our rules serve the file on every platform: the
        // system's functions understand neither the big-endian nor the UTF-8
        // mark, so the rows below expect no platform's behaviour but ours.
        { "UTF-16 big-endian",
            utf16(u"; 说明 \U0001F600\r\n[A]\r\nk=旧\r\nx=" + loneSurrogate + u"\r\n", true),
            utf16(u"; 说明 \U0001F600\r\n[A]\r\nk=新\r\nx=" + loneSurrogate + u"\r\n", true) },
        { "UTF-16 big-endian with an odd last byte, new section",
            utf16(u"[B]\r\ny=" + loneSurrogate, true) + "\x41",
            utf16(u"[B]\r\ny=" + loneSurrogate + u"\r\n[A]\r\nk=新\r\n", true) + "\x41" },
        { "UTF-16 big-endian mark only", utf16(u"", true), utf16(u"[A]\r\nk=新\r\n", true) },
        { "UTF-8, header on the first line",
            "\xef\xbb\xbf[A]\r\nk=\xe6\x97\xa7\r\nbad=\xff\xe6\r\n",
            "\xef\xbb\xbf[A]\r\nk=\xe6\x96\xb0\r\nbad=\xff\xe6\r\n" },
        { "UTF-8 mark only", "\xef\xbb\xbf", "\xef\xbb\xbf[A]\r\nk=\xe6\x96\xb0\r\n" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (skipUnderWine(c.name, c.wineDiffers))
            continue;
        writeBytes(c.before);
        EXPECT_TRUE(write("A", "k", "\xd0\xc2"));
        EXPECT_EQ(readBytes().toHex(' ').toStdString(), c.after.toHex(' ').toStdString());
        EXPECT_EQ(read("A", "k"), QByteArray("\xd0\xc2"));
    }

    // Names and values outside ASCII; a character the code page lacks reads as
    // one "?". The big-endian file is ours on every platform.
    const struct
    {
        const char *name;
        bool bigEndian;
        const char *wineDiffers;
    } nonAscii[] = { { "UTF-16, names and values outside ASCII", false,
                         "Wine gives each half of a surrogate pair its own \"?\"" },
        { "UTF-16 big-endian, names and values outside ASCII", true, nullptr } };
    for (const auto &[name, bigEndian, wineDiffers] : nonAscii) {
        SCOPED_TRACE(name);
        if (skipUnderWine(name, wineDiffers))
            continue;
        writeBytes(utf16(u"[节]\r\n键=值 \U0001F600\r\n", bigEndian));
        EXPECT_EQ(read("\xbd\xda", "\xbc\xfc"), QByteArray("\xd6\xb5 ?"));
        EXPECT_TRUE(write("\xbd\xda", "\xbc\xfc", std::nullopt));
        EXPECT_EQ(readBytes(), utf16(u"[节]\r\n", bigEndian));
    }
}

} // namespace
