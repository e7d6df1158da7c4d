#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace Qt::StringLiterals;

namespace {

TEST(CodePage, ConvertsBothWays)
{
    const std::pair<QString, QByteArray> cases[]
        = { { QString(), "" }, { u"k=http://a/"_s, "k=http://a/" },
              { u"网站排名查询"_s, "\xcd\xf8\xd5\xbe\xc5\xc5\xc3\xfb\xb2\xe9\xd1\xaf" },
              { u"a中b文"_s,
                  "a\xd6\xd0"
                  "b\xce\xc4" },
              { u"\u20ac5"_s,
                  "\x80"
                  "5" } };
    for (const auto &[text, bytes] : cases) {
        EXPECT_EQ(platform::toAnsi(text), bytes);
        EXPECT_EQ(platform::fromAnsi(bytes), text);
    }
}

// Each character the code page lacks is one "?", a surrogate pair or a lone surrogate alike.
TEST(CodePage, OneQuestionMarkPerMissingCharacter)
{
    const std::pair<std::u16string, QByteArray> cases[] = { { u"中한文", "\xd6\xd0?\xce\xc4" },
        { u"a\U0001F600b", "a?b" }, { u"\U0001F600\U0001F600", "??" },
        { std::u16string(u"a") + char16_t(0xd800) + u"b", "a?b" },
        { std::u16string(u"a") + char16_t(0xdc00), "a?" },
        { std::u16string(u"x") + char16_t(0xd800), "x?" } };
    for (const auto &[text, bytes] : cases)
        EXPECT_EQ(platform::toAnsi(QString::fromStdU16String(text)), bytes);
}

TEST(CodePage, RefusesBytesInvalidInTheCodePage)
{
    for (const char *bytes : { "\xff", "abc\xd6", "\xa1\x7f", "\xd6\xd0\x81" })
        EXPECT_THROW(platform::fromAnsi(QByteArrayView(bytes)), std::runtime_error) << bytes;
}

} // namespace
