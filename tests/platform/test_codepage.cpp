#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct Mapping
{
    const char16_t *text;
    const char *bytes;
};

class CodePage : public testing::TestWithParam<Mapping>
{
};

TEST_P(CodePage, ConvertsBothWays)
{
    const QString text = QString::fromUtf16(GetParam().text);
    const QByteArray bytes(GetParam().bytes);
    EXPECT_EQ(platform::toAnsi(text), bytes);
    EXPECT_EQ(platform::fromAnsi(bytes), text);
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePage,
    testing::Values(Mapping { u"", "" }, Mapping { u"KeyUrl=http://a/", "KeyUrl=http://a/" },
        Mapping { u"网站排名查询", "\xcd\xf8\xd5\xbe\xc5\xc5\xc3\xfb\xb2\xe9\xd1\xaf" },
        Mapping { u"a中b文",
            "a\xd6\xd0"
            "b\xce\xc4" },
        Mapping { u"\u20ac5",
            "\x80"
            "5" }));

struct Unmappable
{
    std::u16string text;
    const char *bytes;
};

class CodePageQuestionMarks : public testing::TestWithParam<Unmappable>
{
};

TEST_P(CodePageQuestionMarks, OneQuestionMarkPerCharacter)
{
    const QString text = QString::fromStdU16String(GetParam().text);
    EXPECT_EQ(platform::toAnsi(text), QByteArray(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePageQuestionMarks,
    testing::Values(Unmappable { u"中한文", "\xd6\xd0?\xce\xc4" },
        // A character outside the Basic Multilingual Plane is one character.
        Unmappable { u"a\U0001F600b", "a?b" }, Unmappable { u"\U0001F600\U0001F600", "??" },
        Unmappable { std::u16string(u"a") + char16_t(0xd800) + u"b", "a?b" },
        Unmappable { std::u16string(u"a") + char16_t(0xdc00), "a?" },
        Unmappable { std::u16string(u"x") + char16_t(0xd800), "x?" }));

class CodePageRefuses : public testing::TestWithParam<const char *>
{
};

TEST_P(CodePageRefuses, BytesInvalidInTheCodePage)
{
    EXPECT_THROW(platform::fromAnsi(QByteArrayView(GetParam())), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, CodePageRefuses, testing::Values("\xff", "abc\xd6", "\xa1\x7f", "\xd6\xd0\x81"));

} // namespace
