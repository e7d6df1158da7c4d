#include "platform/filename_posix.h"

namespace platform {

namespace {

constexpr char16_t escapeBase = 0xdc00;

// The length of the well-formed UTF-8 sequence at `i` (RFC 3629: no overlong
// form, no surrogate, nothing above U+10FFFF), or 0 when there is none.
qsizetype sequenceLength(QByteArrayView bytes, qsizetype i)
{
    const auto lead = uchar(bytes[i]);
    if (lead < 0x80)
        return 1;
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
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        const auto next = uchar(bytes[i + k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xbf))
            return 0;
    }
    return length;
}

} // namespace

QString nameFromBytes(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = sequenceLength(bytes, i);
        if (length == 0) {
            name += QChar(char16_t(escapeBase + uchar(bytes[i])));
            ++i;
        } else {
            name += QString::fromUtf8(bytes.sliced(i, length));
            i += length;
        }
    }
    return name;
}

QByteArray nameToBytes(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size()
            && QChar::isLowSurrogate(name[i + 1].unicode())) {
            bytes += QStringView(name).sliced(i, 2).toUtf8();
            ++i;
        } else if (unit >= escapeBase + 0x80 && unit <= escapeBase + 0xff) {
            bytes += char(unit - escapeBase);
        } else {
            // Any other lone surrogate never came from a name; it stays a
            // character the file system can hold rather than vanishing.
            bytes += QStringView(name).sliced(i, 1).toUtf8();
        }
    }
    return bytes;
}

} // namespace platform
