#include "startup/runtimeerror.h"
#include "startup/strictnumber.h"

#include <gtest/gtest.h>

namespace {

TEST(StrictNumber, ReadsTheAcceptedForms)
{
    const struct
    {
        const char16_t *text;
        qint32 value;
    } cases[] = { { u"20", 20 }, { u"  12  ", 12 }, { u"\t7 ", 7 }, { u"-1", -1 }, { u"+8", 8 },
        { u"007", 7 }, { u"2.5", 2 }, { u"3.5", 4 }, { u"12.5", 12 }, { u"13.5", 14 },
        { u"2.51", 3 }, { u"2.4999", 2 }, { u"-2.5", -2 }, { u"-3.5", -4 }, { u".5", 0 },
        { u"5.", 5 }, { u"2147483647", 2147483647 }, { u"-2147483648", -2147483647 - 1 },
        { u"2147483646.5", 2147483646 }, { u"-2147483648.5", -2147483647 - 1 } };
    for (const auto &c : cases)
        EXPECT_EQ(strictToLong(QString::fromUtf16(c.text)), c.value);
}

TEST(StrictNumber, RefusesOtherFormsWithTheRunTimeError)
{
    constexpr int typeMismatch = 13;
    constexpr int overflow = 6;
    const struct
    {
        const char16_t *text;
        int errorNumber;
    } cases[] = { { u"", typeMismatch }, { u"   ", typeMismatch }, { u"abc", typeMismatch },
        { u"20pages", typeMismatch }, { u"1 5", typeMismatch }, { u"-", typeMismatch },
        { u".", typeMismatch }, { u"1.2.3", typeMismatch }, { u"&H10", typeMismatch },
        { u"2147483648", overflow }, { u"-2147483649", overflow }, { u"2147483647.5", overflow },
        { u"12345678901", overflow }, { u"99999999999999999999999999", overflow } };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf16(c.text);
        try {
            strictToLong(text);
            ADD_FAILURE() << text.toStdString() << " accepted";
        } catch (const RuntimeError &error) {
            EXPECT_EQ(error.number(), c.errorNumber) << text.toStdString();
        }
    }
}

} // namespace
