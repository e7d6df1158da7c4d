#include "search/pagenumber.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

// The page box read leniently: never a crash, and the same number as a plain
// reading that matches the accepted forms with a pattern and leaves the
// arithmetic to the C library.
namespace {

qint32 roundToLong(double value)
{
    const double whole = std::nearbyint(value); // the default mode: halves to even
    if (!(whole >= std::numeric_limits<qint32>::min()
            && whole <= std::numeric_limits<qint32>::max()))
        return 0;
    return qint32(whole);
}

qint32 plainReading(QString text)
{
    text.remove(u' ').remove(u'\t').remove(u'\n');
    static const QRegularExpression radix(QStringLiteral("^&([HhOo])([0-9A-Fa-f]*)"));
    if (text.startsWith(u'&')) {
        const QRegularExpressionMatch match = radix.match(text);
        if (!match.hasMatch())
            return 0;
        const int base = match.captured(1).toUpper() == u"H" ? 16 : 8;
        QString digits = match.captured(2);
        if (base == 8) {
            const qsizetype end = digits.indexOf(QRegularExpression(QStringLiteral("[^0-7]")));
            if (end >= 0)
                digits.truncate(end);
        }
        while (digits.startsWith(u'0'))
            digits.remove(0, 1);
        if (digits.isEmpty())
            return 0;
        if (digits.size() > (base == 16 ? 8 : 11))
            return 0;
        bool ok = false;
        const qulonglong value = digits.toULongLong(&ok, base);
        if (!ok || value > std::numeric_limits<quint32>::max())
            return 0;
        return qint32(quint32(value));
    }
    static const QRegularExpression decimal(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?"));
    const QRegularExpressionMatch match = decimal.match(text);
    if (!match.hasMatch())
        return 0;
    const QByteArray number = match.captured(0).toLatin1();
    const double value = std::strtod(number.constData(), nullptr);
    return std::isfinite(value) ? roundToLong(value) : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qint32 value = lenientToLong(text);
    if (value != plainReading(text))
        std::abort();
    // A number written back reads as itself; a letter after the text changes nothing.
    if (lenientToLong(QString::number(value)) != value || lenientToLong(text + u'x') != value)
        std::abort();
    return 0;
}
