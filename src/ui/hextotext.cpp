#include "ui/hextotext.h"

#include "platform/codepage.h"
#include "platform/hexdigit.h"
#include "ui/messagebox.h"

#include <QByteArray>

#include <exception>
#include <optional>

namespace ui {

namespace {

// The index of the last byte: length / 2 - 1 rounded to the nearest integer,
// halves to the even neighbour. For an odd length 2k + 1 the exact value is
// k - 1/2, so a lone last digit becomes a byte of its own when k is even and
// is ignored when k is odd.
qsizetype lastByteIndex(qsizetype length)
{
    const qsizetype k = length / 2;
    if (length % 2 == 0)
        return k - 1;
    return k % 2 == 0 ? k : k - 1;
}

// The bytes of the cleaned text; nothing when any pair is not hexadecimal.
// Blanks and every other character fail: the stored texts hold digits only.
std::optional<QByteArray> hexBytes(const QString &digits)
{
    const qsizetype last = lastByteIndex(digits.size());
    if (last < 0)
        return std::nullopt;

    QByteArray bytes(last + 1, '\0');
    for (qsizetype i = 0; i <= last; ++i) {
        const QStringView pair = QStringView(digits).sliced(2 * i).first(
            std::min<qsizetype>(2, digits.size() - 2 * i));
        uchar value = 0;
        for (QChar c : pair) {
            const int digit = platform::hexDigitValue(c.unicode());
            if (digit < 0)
                return std::nullopt;
            value = uchar(value * 16 + digit);
        }
        bytes[i] = char(value);
    }
    return bytes;
}

} // namespace

QString HexToText(QString &text)
{
    text.remove(u'%');
    if (const std::optional<QByteArray> bytes = hexBytes(text)) {
        try {
            return platform::fromAnsi(*bytes);
        } catch (const std::exception &) {
            // A byte sequence the code page does not hold: the same warning.
        }
    }
    MessageBox::warning(nullptr, QStringLiteral("Tolvaro"), QStringLiteral("要解密的内容不合法！"));
    return QString();
}

} // namespace ui
