#include "platform/codepage.h"

#include "platform/codepage_system.h"
#include "platform/utf8.h"

#include <stdexcept>

namespace platform {

namespace {

// Whether the byte is a valid second byte of a double-byte character, as
// ansiCharLength asks of it.
bool isTrailByte(uchar byte)
{
    return byte >= 0x40 && byte != 0x7f && byte != 0xff;
}

// Whether the character at i is one that the end of the text cuts short.
bool isCutCharacter(QByteArrayView text, qsizetype i, CodePage codePage)
{
    const qsizetype rest = text.size() - i;
    if (codePage == utf8CodePage) {
        const Utf8Sequence sequence = utf8SequenceAt(text, i);
        return sequence.length > 1 && rest < sequence.length && sequence.valid == rest;
    }
    return rest == 1 && isAnsiLeadByte(text[i], codePage);
}

} // namespace

QString fromAnsiReplacing(QByteArrayView bytes, CodePage codePage)
{
    try {
        return fromAnsi(bytes, codePage);
    } catch (const std::runtime_error &) {
    }
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = ansiCharLength(bytes, i, codePage);
        try {
            text += fromAnsi(bytes.sliced(i, length), codePage);
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

bool isAnsiLeadByte(char byte, CodePage codePage)
{
    if (codePage == utf8CodePage)
        return utf8SequenceAt(QByteArrayView(&byte, 1), 0).length > 1;
    // Asked for every character of a name the settings file is searched
    // for: the system is asked once per code page and thread.
    thread_local CodePage known = 0;
    thread_local std::bitset<256> leads;
    if (known != codePage) {
        leads = systemLeadBytes(codePage);
        known = codePage;
    }
    return leads[uchar(byte)];
}

qsizetype ansiCharLength(QByteArrayView text, qsizetype i, CodePage codePage)
{
    if (codePage == utf8CodePage) {
        const Utf8Sequence sequence = utf8SequenceAt(text, i);
        return sequence.length > 1 && sequence.valid == sequence.length ? sequence.length : 1;
    }
    return isAnsiLeadByte(text[i], codePage) && i + 1 < text.size()
            && isTrailByte(uchar(text[i + 1]))
        ? 2
        : 1;
}

qsizetype cutCharacterStart(QByteArrayView text, CodePage codePage)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = ansiCharLength(text, i, codePage);
        if (length == 1 && isCutCharacter(text, i, codePage))
            return i;
        i += length;
    }
    return text.size();
}

} // namespace platform
