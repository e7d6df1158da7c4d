#include "startup/strictnumber.h"

#include "platform/trim.h"
#include "startup/runtimeerror.h"

#include <limits>

namespace {

// Spaces and tabs around a number are ignored; any other character there
// (a line break included) makes the text no number.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

qint32 strictToLong(const QString &whole)
{
    const QStringView text = platform::trimmedBy(QStringView(whole), isBlank);
    const qsizetype end = text.size();

    qsizetype i = 0;
    bool negative = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    // The magnitude is gathered in 64 bits; any value past this cap is out of
    // range whatever its fraction, so more digits need not be kept.
    constexpr qint64 cap = qint64(std::numeric_limits<qint32>::max()) + 2;
    qint64 magnitude = 0;
    qsizetype digits = 0;
    for (; i < end && isDigit(text[i]); ++i, ++digits)
        magnitude = std::min(cap, magnitude * 10 + (text[i].unicode() - u'0'));

    // The fraction only decides the rounding: below, at or above one half.
    int fractionOrder = 0;
    if (i < end && text[i] == u'.') {
        ++i;
        if (i < end && isDigit(text[i])) {
            const int first = text[i].unicode() - u'0';
            bool restNonZero = false;
            for (++i, ++digits; i < end && isDigit(text[i]); ++i)
                restNonZero = restNonZero || text[i] != u'0';
            fractionOrder = first > 5 || (first == 5 && restNonZero) ? 1 : first == 5 ? 0 : -1;
        } else {
            fractionOrder = -1;
        }
    } else {
        fractionOrder = -1;
    }

    if (digits == 0 || i != end)
        throw RuntimeError::typeMismatch();

    if (fractionOrder > 0 || (fractionOrder == 0 && magnitude % 2 == 1))
        magnitude = std::min(cap, magnitude + 1);

    const qint64 value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        throw RuntimeError::overflow();
    return qint32(value);
}
