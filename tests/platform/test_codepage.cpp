#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

using namespace Qt::StringLiterals;

// One table for the code pages a system may use as its ANSI one: 936 on the
// systems the program is made for, 65001 where the user chose UTF-8 for
// every language, and 1252 and 932 as a single-byte and another double-byte
// code page. On Windows the system converts; elsewhere the C library does,
// and the rows where it differs from Windows say so and are left out there.
namespace {

using platform::CodePage;

// Whether to leave out a row whose expectation is the Windows system's
// conversion where the C library's differs (`linuxDiffers` says how).
bool skipOutsideWindows(const std::string &row, const char *linuxDiffers)
{
#ifdef Q_OS_WIN
    Q_UNUSED(row);
    Q_UNUSED(linuxDiffers);
    return false;
#else
    if (linuxDiffers == nullptr)
        return false;
    std::printf("[ SKIPPED  ] outside Windows: %s: %s\n", row.c_str(), linuxDiffers);
    std::fflush(stdout);
    return true;
#endif
}

// Each character a code page lacks is one "?", never a look-alike; a
// surrogate pair or a lone surrogate alike. Rows marked one-way hold such a
// "?": it reads back as "?".
TEST(CodePage, ConvertsOnEveryCodePage)
{
    const std::u16string loneHigh(1, char16_t(0xd800));
    const std::u16string loneLow(1, char16_t(0xdc00));
    const struct
    {
        CodePage codePage;
        std::u16string text;
        QByteArray bytes;
        bool oneWay = false;
        const char *linuxDiffers = nullptr;
    } cases[] = {
        { 936, u"", "" },
        { 936, u"k=http://a/", "k=http://a/" },
        { 936, u"网站排名查询", "\xcd\xf8\xd5\xbe\xc5\xc5\xc3\xfb\xb2\xe9\xd1\xaf" },
        { 936, u"a中b文",
            "a\xd6\xd0"
            "b\xce\xc4" },
        { 936, u"\u20ac5",
            "\x80"
            "5" },
        // Without the rule, the system writes "ā" (A8 A1) and "à" (A8 A4).
        { 936, u"Ā À", "? ?", true },
        { 936, u"中한文", "\xd6\xd0?\xce\xc4", true },
        { 936, u"a\U0001F600b", "a?b", true },
        { 936, u"\U0001F600\U0001F600", "??", true },
        { 936, u"a" + loneHigh + u"b", "a?b", true },
        { 936, u"a" + loneLow, "a?", true },
        { 936, u"x" + loneHigh, "x?", true },
        // UTF-8 holds every character; only a lone surrogate is none.
        { 65001, u"网站Ā\U0001F600", "\xe7\xbd\x91\xe7\xab\x99\xc4\x80\xf0\x9f\x98\x80" },
        { 65001, u"中한文", "\xe4\xb8\xad\xed\x95\x9c\xe6\x96\x87" },
        { 65001, u"a" + loneHigh + u"b" + loneLow, "a?b?", true },
        { 1252, u"À€é", "\xc0\x80\xe9" },
        { 1252, u"Ā中\U0001F600", "???", true },
        { 1252, u"\u0081", "\x81", false,
            "the C library's CP1252 assigns no character to the bytes 81, 8D, 8F, 90 and 9D, "
            "which Windows reads as the control characters of the same codes" },
        { 932, u"中文ｱ", "\x92\x86\x95\xb6\xb1" },
        { 932, u"ĀÀ", "??", true },
        { 932, u"¥", "?", true,
            "the C library's CP932 writes the yen sign as 5C, the byte of the backslash" },
    };
    for (const auto &c : cases) {
        const QString text = QString::fromStdU16String(c.text);
        const std::string row = std::to_string(c.codePage) + " " + text.toStdString();
        SCOPED_TRACE(row);
        if (skipOutsideWindows(row, c.linuxDiffers))
            continue;
        EXPECT_EQ(platform::toAnsi(text, c.codePage).toHex(' '), c.bytes.toHex(' '));
        if (!c.oneWay) {
            EXPECT_EQ(platform::fromAnsi(c.bytes, c.codePage), text);
        }
    }
}

TEST(CodePage, RefusesBytesInvalidInTheCodePage)
{
    const std::pair<CodePage, QByteArray> cases[] = { { 936, "\xff" }, { 936, "abc\xd6" },
        { 936, "\xa1\x7f" }, { 936, "\xd6\xd0\x81" }, { 932, "a\x81" },
        // A cut sequence, an encoded surrogate, an overlong form.
        { 65001, "\xff" }, { 65001, "a\xe4\xb8" }, { 65001, "\xed\xa0\x80" },
        { 65001, "\xc0\x80" } };
    for (const auto &[codePage, bytes] : cases) {
        EXPECT_THROW(platform::fromAnsi(bytes, codePage), std::runtime_error)
            << codePage << " " << bytes.toHex(' ').constData();
    }
    // A code page the system does not know fails loudly, never as empty text.
    EXPECT_THROW(platform::toAnsi(u"a", 12345), std::runtime_error);
    EXPECT_THROW(platform::fromAnsi("a", 12345), std::runtime_error);
}

// Which bytes open a longer character is the code page's own: a value cut
// after 143 bytes loses only the start of a character the cut split.
TEST(CodePage, CutCharacterFollowsTheCodePage)
{
    const struct
    {
        CodePage codePage;
        QByteArray bytes;
        qsizetype cutStart;
    } cases[] = {
        { 936, "ab\xd6", 2 }, { 936, "ab\xd6\xd0", 4 }, { 936, "\xd6\xd0\xd6", 2 },
        { 936, "a\x80", 2 }, { 936, "ab\xd6\x30", 4 },
        { 932, "ab\xb1", 3 }, // a half-width katakana, which opens a pair in 936
        { 932, "ab\x93", 2 }, { 932, "ab\xe0", 2 }, { 1252, "ab\xd6", 3 },
        { 65001, "ab\xe4\xb8", 2 }, { 65001, "ab\xe4", 2 }, { 65001, "ab\xe4\xb8\xad", 5 },
        { 65001, "\xf0\x9f\x98", 0 }, { 65001, "ab\xe4\x41", 4 },
        { 65001, "ab\xed\xa0", 4 }, // no character starts so: not cut, just invalid
    };
    for (const auto &c : cases) {
        EXPECT_EQ(platform::cutCharacterStart(c.bytes, c.codePage), c.cutStart)
            << c.codePage << " " << c.bytes.toHex(' ').constData();
    }
}

} // namespace
