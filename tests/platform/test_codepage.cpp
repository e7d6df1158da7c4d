#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>

namespace {

class CodePage : public testing::TestWithParam<std::tuple<std::u16string, const char *>>
{
};

TEST_P(CodePage, ConvertsBothWays)
{
    const QString text = QString::fromStdU16String(std::get<0>(GetParam()));
    const QByteArray bytes(std::get<1>(GetParam()));
    EXPECT_EQ(platform::toAnsi(text), bytes);
    EXPECT_EQ(platform::fromAnsi(bytes), text);
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePage,
    testing::Values(std::tuple(u"", ""), std::tuple(u"k=http://a/", "k=http://a/"),
        std::tuple(u"网站排名查询", "\xcd\xf8\xd5\xbe\xc5\xc5\xc3\xfb\xb2\xe9\xd1\xaf"),
        std::tuple(u"a中b文",
            "a\xd6\xd0"
            "b\xce\xc4"),
        std::tuple(u"\u20ac5",
            "\x80"
            "5")));

// Each character the code page lacks is one "?", a surrogate pair or a lone surrogate alike.
class CodePageQuestionMarks : public CodePage
{
};

TEST_P(CodePageQuestionMarks, OnePerCharacter)
{
    EXPECT_EQ(platform::toAnsi(QString::fromStdU16String(std::get<0>(GetParam()))),
        QByteArray(std::get<1>(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePageQuestionMarks,
    testing::Values(std::tuple(u"中한文", "\xd6\xd0?\xce\xc4"), std::tuple(u"a\U0001F600b", "a?b"),
        std::tuple(u"\U0001F600\U0001F600", "??"),
        std::tuple(std::u16string(u"a") + char16_t(0xd800) + u"b", "a?b"),
        std::tuple(std::u16string(u"a") + char16_t(0xdc00), "a?"),
        std::tuple(std::u16string(u"x") + char16_t(0xd800), "x?")));

TEST(CodePageRefuses, BytesInvalidInTheCodePage)
{
    for (const char *bytes : { "\xff", "abc\xd6", "\xa1\x7f", "\xd6\xd0\x81" })
        EXPECT_THROW(platform::fromAnsi(QByteArrayView(bytes)), std::runtime_error) << bytes;
}

} // namespace
