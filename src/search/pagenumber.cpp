#include "search/pagenumber.h"

#include "platform/hexdigit.h"

#include <QByteArray>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool isIgnored(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The value of c as a digit of the given radix (8 or 16), or -1.
int digitValue(char16_t c, int radix)
{
    const int value = platform::hexDigitValue(c);
    return value < radix ? value : -1;
}

qint32 readRadixLiteral(std::u16string_view digits, int radix)
{
    quint64 value = 0;
    for (const char16_t c : digits) {
        const int digit = digitValue(c, radix);
        if (digit < 0)
            break;
        value = value * radix + quint64(digit);
        if (value > std::numeric_limits<quint32>::max())
            return 0;
    }
    return qint32(quint32(value));
}

// Nearest integer, halves to the even neighbour; 0 outside the 32-bit range.
qint32 roundToLong(double value)
{
    constexpr double lowest = double(std::numeric_limits<qint32>::min());
    constexpr double highest = double(std::numeric_limits<qint32>::max());
    if (!(value > lowest - 1.0 && value < highest + 1.0))
        return 0;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole < lowest || whole > highest)
        return 0;
    return qint32(whole);
}

qint32 readDecimal(std::u16string_view text)
{
    // Gathers the longest leading part that forms a number, in the form
    // std::from_chars takes (no "+"; "." whatever the locale).
    QByteArray number;
    size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number += '-';
        ++i;
    }
    bool anyDigit = false;
    for (; i < text.size() && isDigit(text[i]); ++i, anyDigit = true)
        number += char(text[i]);
    if (i < text.size() && text[i] == u'.') {
        number += '.';
        for (++i; i < text.size() && isDigit(text[i]); ++i, anyDigit = true)
            number += char(text[i]);
    }
    if (!anyDigit)
        return 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        size_t j = i + 1;
        QByteArray exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += char(text[j++]);
        if (j < text.size() && isDigit(text[j])) {
            for (; j < text.size() && isDigit(text[j]); ++j)
                exponent += char(text[j]);
            number += exponent;
        }
    }

    double value = 0.0;
    const auto [end, error]
        = std::from_chars(number.constData(), number.constData() + number.size(), value);
    // Out of the double's range either way: far beyond 32 bits, or so close
    // to zero that it rounds to 0.
    if (error != std::errc())
        return 0;
    return roundToLong(value);
}

} // namespace

qint32 lenientToLong(QStringView text)
{
    std::u16string packed;
    packed.reserve(size_t(text.size()));
    for (const QChar c : text) {
        if (!isIgnored(c))
            packed += c.unicode();
    }
    const std::u16string_view rest(packed);

    if (rest.size() >= 2 && rest[0] == u'&') {
        if (rest[1] == u'h' || rest[1] == u'H')
            return readRadixLiteral(rest.substr(2), 16);
        if (rest[1] == u'o' || rest[1] == u'O')
            return readRadixLiteral(rest.substr(2), 8);
        return 0;
    }
    return readDecimal(rest);
}
