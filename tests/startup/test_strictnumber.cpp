#include "startup/runtimeerror.h"
#include "startup/strictnumber.h"

#include <gtest/gtest.h>

namespace {

struct Accepted
{
    const char16_t *text;
    qint32 value;
};

class StrictNumberAccepts : public testing::TestWithParam<Accepted>
{
};

TEST_P(StrictNumberAccepts, ReadsTheValue)
{
    EXPECT_EQ(strictToLong(QString::fromUtf16(GetParam().text)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Forms, StrictNumberAccepts,
                         testing::Values(Accepted{u"20", 20}, Accepted{u"  12  ", 12},
                                         Accepted{u"\t7 ", 7}, Accepted{u"-1", -1},
                                         Accepted{u"+8", 8}, Accepted{u"007", 7},
                                         Accepted{u"2.5", 2}, Accepted{u"3.5", 4},
                                         Accepted{u"12.5", 12}, Accepted{u"13.5", 14},
                                         Accepted{u"2.51", 3}, Accepted{u"2.4999", 2},
                                         Accepted{u"-2.5", -2}, Accepted{u"-3.5", -4},
                                         Accepted{u".5", 0}, Accepted{u"5.", 5},
                                         Accepted{u"2147483647", 2147483647},
                                         Accepted{u"-2147483648", -2147483647 - 1},
                                         Accepted{u"2147483646.5", 2147483646},
                                         Accepted{u"-2147483648.5", -2147483647 - 1}));

struct Refused
{
    const char16_t *text;
    int errorNumber;
};

class StrictNumberRefuses : public testing::TestWithParam<Refused>
{
};

TEST_P(StrictNumberRefuses, ThrowsTheRunTimeError)
{
    try {
        strictToLong(QString::fromUtf16(GetParam().text));
        FAIL() << "accepted";
    } catch (const RuntimeError &error) {
        EXPECT_EQ(error.number(), GetParam().errorNumber);
    }
}

constexpr int typeMismatch = 13;
constexpr int overflow = 6;

INSTANTIATE_TEST_SUITE_P(
    Forms, StrictNumberRefuses,
    testing::Values(Refused{u"", typeMismatch}, Refused{u"   ", typeMismatch},
                    Refused{u"abc", typeMismatch}, Refused{u"20pages", typeMismatch},
                    Refused{u"1 5", typeMismatch}, Refused{u"-", typeMismatch},
                    Refused{u".", typeMismatch}, Refused{u"1.2.3", typeMismatch},
                    Refused{u"&H10", typeMismatch}, Refused{u"2147483648", overflow},
                    Refused{u"-2147483649", overflow}, Refused{u"2147483647.5", overflow},
                    Refused{u"12345678901", overflow},
                    Refused{u"99999999999999999999999999", overflow}));

} // namespace
