#include "search/pagenumber.h"

#include <QString>

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(LenientReading, ReadsTheLeadingNumber)
{
    // First the halves, which go to the even neighbour.
    const std::pair<const char16_t *, qint32> cases[] = { { u"2.5", 2 }, { u"3.5", 4 },
        { u"-2.5", -2 }, { u"2.51", 3 }, { u".5", 0 }, { u"1.5", 2 },
        // Blanks, tabs and line feeds vanish wherever they stand; the rest ends
        // the number.
        { u"20 pages", 20 }, { u"1 5", 15 }, { u" \t1\n2 ", 12 }, { u"- 7", -7 }, { u"1,000", 1 },
        { u"1.2.3", 1 }, { u"1\r5", 1 },
        // No number.
        { u"", 0 }, { u"abc", 0 }, { u"+", 0 }, { u".", 0 }, { u"--5", 0 }, { u"x20", 0 },
        // Exponent, as far as it forms a number.
        { u"1e1", 10 }, { u"1E+2", 100 }, { u"25e-1", 2 }, { u"1e", 1 }, { u"1e+", 1 },
        { u"2E 1", 20 }, { u"1e-400", 0 },
        // Hexadecimal and octal literals, 32-bit two's complement.
        { u"&H10", 16 }, { u"&hff", 255 }, { u"&HFFFF", 65535 }, { u"&H7FFFFFFF", 2147483647 },
        { u"&HFFFFFFFF", -1 }, { u"&H80000000", -2147483647 - 1 }, { u"&H000000010", 16 },
        { u"&H1G", 1 }, { u"&O17", 15 }, { u"&o8", 0 }, { u"& H 1 0", 16 }, { u"&H", 0 },
        { u"&X1", 0 }, { u"-&H10", 0 },
        // Beyond the 32-bit range reads 0 rather than failing.
        { u"2147483647", 2147483647 }, { u"2147483647.5", 0 },
        { u"-2147483648.5", -2147483647 - 1 }, { u"2147483648", 0 }, { u"99999999999", 0 },
        { u"1e999", 0 }, { u"&H100000000", 0 }, { u"&O40000000000", 0 } };
    for (const auto &[text, value] : cases)
        EXPECT_EQ(lenientToLong(QStringView(text)), value)
            << QString::fromUtf16(text).toStdString();
}

} // namespace
