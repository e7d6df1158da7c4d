#include "platform/codepage.h"

#include <stdexcept>

namespace platform {

QString fromAnsiReplacing(QByteArrayView bytes)
{
    try {
        return fromAnsi(bytes);
    } catch (const std::runtime_error &) {
    }
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = ansiCharLength(bytes, i);
        try {
            text += fromAnsi(bytes.sliced(i, length));
            i += length;
        } catch (const std::runtime_error &) {
            // A pair the code page does not assign loses only its first byte:
            // the second may start a character of its own.
            text += QChar::ReplacementCharacter;
            i += 1;
        }
    }
    return text;
}

} // namespace platform
