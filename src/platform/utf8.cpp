#include "platform/utf8.h"

namespace platform {

Utf8Sequence utf8SequenceAt(QByteArrayView bytes, qsizetype i)
{
    const auto lead = uchar(bytes[i]);
    if (lead < 0x80)
        return { 1, 1 };
    // The second byte's range is narrower after some lead bytes: that is
    // where overlong forms, surrogates and codes beyond U+10FFFF are refused.
    qsizetype length = 0;
    uchar low = 0x80;
    uchar high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return { 0, 0 };
    }
    qsizetype valid = 1;
    while (valid < length && i + valid < bytes.size()) {
        const auto next = uchar(bytes[i + valid]);
        if (next < (valid == 1 ? low : 0x80) || next > (valid == 1 ? high : 0xbf))
            break;
        ++valid;
    }
    return { length, valid };
}

} // namespace platform
