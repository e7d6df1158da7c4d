#include "platform/codepage.h"
#include "ui/hextotext.h"
#include "ui/messagebox.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>

// The display-text decoder on any text: the caller's variable loses exactly
// its "%" signs, and the result is either the whole text a plain decoding
// gives, or nothing with the warning box, never a part. The box is answered
// in advance, so no window is ever shown.
namespace {

std::optional<QString> plainDecoding(const QString &digits)
{
    const auto last = qsizetype(std::nearbyint(double(digits.size()) / 2.0 - 1.0));
    if (last < 0)
        return std::nullopt;
    QByteArray bytes;
    for (qsizetype i = 0; i <= last; ++i) {
        const QString pair = digits.mid(2 * i, 2);
        for (const QChar c : pair) {
            if (!QStringLiteral("0123456789abcdefABCDEF").contains(c))
                return std::nullopt;
        }
        bytes += char(pair.toUInt(nullptr, 16));
    }
    try {
        return platform::fromAnsi(bytes);
    } catch (const std::runtime_error &) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One answer always waits in the queue; a box takes it and the next input puts one back.
    static bool answerQueued = false;
    if (!answerQueued) {
        MessageBox::setNextAnswer(QMessageBox::Ok);
        answerQueued = true;
    }
    MessageBox::clearShown();

    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString text = input;
    const QString result = ui::HexToText(text);

    const bool warned = !MessageBox::shown().isEmpty();
    if (warned)
        answerQueued = false;
    if (text != QString(input).remove(u'%') || text.contains(u'%'))
        std::abort();
    const std::optional<QString> expected = plainDecoding(text);
    if (expected ? (warned || result != *expected) : (!warned || !result.isNull()))
        std::abort();
    return 0;
}
