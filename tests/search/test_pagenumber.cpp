#include "search/pagenumber.h"
#include "search/searchprefix.h"

#include <gtest/gtest.h>

namespace {

struct Reading
{
    const char16_t *text;
    qint32 value;
};

class LenientReading : public testing::TestWithParam<Reading>
{
};

TEST_P(LenientReading, ReadsTheLeadingNumber)
{
    EXPECT_EQ(lenientToLong(QStringView(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Forms, LenientReading,
    testing::Values(
        // Halves go to the even neighbour.
        Reading { u"2.5", 2 }, Reading { u"3.5", 4 }, Reading { u"-2.5", -2 },
        Reading { u"2.51", 3 }, Reading { u".5", 0 }, Reading { u"1.5", 2 },
        // Blanks, tabs and line feeds vanish wherever they stand; the rest ends
        // the number.
        Reading { u"20 pages", 20 }, Reading { u"1 5", 15 }, Reading { u" \t1\n2 ", 12 },
        Reading { u"- 7", -7 }, Reading { u"1,000", 1 }, Reading { u"1.2.3", 1 },
        Reading { u"1\r5", 1 },
        // No number.
        Reading { u"", 0 }, Reading { u"abc", 0 }, Reading { u"+", 0 }, Reading { u".", 0 },
        Reading { u"--5", 0 }, Reading { u"x20", 0 },
        // Exponent, as far as it forms a number.
        Reading { u"1e1", 10 }, Reading { u"1E+2", 100 }, Reading { u"25e-1", 2 },
        Reading { u"1e", 1 }, Reading { u"1e+", 1 }, Reading { u"2E 1", 20 },
        Reading { u"1e-400", 0 },
        // Hexadecimal and octal literals, 32-bit two's complement.
        Reading { u"&H10", 16 }, Reading { u"&hff", 255 }, Reading { u"&HFFFF", 65535 },
        Reading { u"&H7FFFFFFF", 2147483647 }, Reading { u"&HFFFFFFFF", -1 },
        Reading { u"&H80000000", -2147483647 - 1 }, Reading { u"&H000000010", 16 },
        Reading { u"&H1G", 1 }, Reading { u"&O17", 15 }, Reading { u"&o8", 0 },
        Reading { u"& H 1 0", 16 }, Reading { u"&H", 0 }, Reading { u"&X1", 0 },
        Reading { u"-&H10", 0 },
        // Beyond the 32-bit range reads 0 rather than failing.
        Reading { u"2147483647", 2147483647 }, Reading { u"2147483647.5", 0 },
        Reading { u"-2147483648.5", -2147483647 - 1 }, Reading { u"2147483648", 0 },
        Reading { u"99999999999", 0 }, Reading { u"1e999", 0 }, Reading { u"&H100000000", 0 },
        Reading { u"&O40000000000", 0 }));

TEST(SearchPrefix, TakesTheHostInItsAcceptedForms)
{
    const struct
    {
        const char16_t *host;
        const char16_t *prefix;
    } cases[] = {
        { u"", u"http://127.0.0.1:8080/search?hl=zh-CN&newwindow=1&sa=N&q=" },
        { u"  ", u"http://127.0.0.1:8080/search?hl=zh-CN&newwindow=1&sa=N&q=" },
        { u"www.example.com", u"http://www.example.com/search?hl=zh-CN&newwindow=1&sa=N&q=" },
        { u"127.0.0.1:9000/", u"http://127.0.0.1:9000/search?hl=zh-CN&newwindow=1&sa=N&q=" },
        { u"HTTP://a.example", u"http://a.example/search?hl=zh-CN&newwindow=1&sa=N&q=" },
        { u"https://a.example:8443//",
            u"https://a.example:8443/search?hl=zh-CN&newwindow=1&sa=N&q=" },
        { u"http://", u"http://127.0.0.1:8080/search?hl=zh-CN&newwindow=1&sa=N&q=" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(searchPrefix(QString::fromUtf16(c.host)), QString::fromUtf16(c.prefix));
}

} // namespace
