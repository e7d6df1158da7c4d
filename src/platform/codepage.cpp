#include "platform/codepage.h"

#include "platform/codepage_system.h"

#include <stdexcept>

namespace platform {

namespace {

bool isUtf8Lead(uchar byte)
{
    return byte >= 0xc2 && byte <= 0xf4;
}

// The bytes a character opened by this lead byte takes.
qsizetype wantedLength(uchar lead, CodePage codePage)
{
    if (codePage != utf8CodePage)
        return 2;
    return lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
}

// Whether `byte` may stand at position k (from 1) of a character opened by
// `lead`. UTF-8 refuses overlong forms, encoded surrogates and codes beyond
// U+10FFFF already at their second byte.
bool validFollower(uchar lead, qsizetype k, uchar byte, CodePage codePage)
{
    if (codePage != utf8CodePage)
        return byte >= 0x40 && byte != 0x7f && byte != 0xff;
    if (k == 1 && lead == 0xe0)
        return byte >= 0xa0 && byte <= 0xbf;
    if (k == 1 && lead == 0xed)
        return byte >= 0x80 && byte <= 0x9f;
    if (k == 1 && lead == 0xf0)
        return byte >= 0x90 && byte <= 0xbf;
    if (k == 1 && lead == 0xf4)
        return byte >= 0x80 && byte <= 0x8f;
    return byte >= 0x80 && byte <= 0xbf;
}

// Whether the bytes from i on follow the lead byte at i as far as they go.
bool followersValid(QByteArrayView text, qsizetype i, qsizetype count, CodePage codePage)
{
    for (qsizetype k = 1; k < count; ++k) {
        if (!validFollower(uchar(text[i]), k, uchar(text[i + k]), codePage))
            return false;
    }
    return true;
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
        return isUtf8Lead(uchar(byte));
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
    if (!isAnsiLeadByte(text[i], codePage))
        return 1;
    const qsizetype length = wantedLength(uchar(text[i]), codePage);
    if (i + length > text.size() || !followersValid(text, i, length, codePage))
        return 1;
    return length;
}

qsizetype cutCharacterStart(QByteArrayView text, CodePage codePage)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = ansiCharLength(text, i, codePage);
        const qsizetype rest = text.size() - i;
        if (length == 1 && isAnsiLeadByte(text[i], codePage)
            && rest < wantedLength(uchar(text[i]), codePage)
            && followersValid(text, i, rest, codePage))
            return i;
        i += length;
    }
    return text.size();
}

} // namespace platform
