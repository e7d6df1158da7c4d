#include "platform/filename_posix.h"

#include "platform/utf8.h"

namespace platform {

namespace {

constexpr char16_t escapeBase = 0xdc00;

// The length of the well-formed UTF-8 sequence at `i`, or 0 when there is none.
qsizetype sequenceLength(QByteArrayView bytes, qsizetype i)
{
    const Utf8Sequence sequence = utf8SequenceAt(bytes, i);
    return sequence.valid == sequence.length ? sequence.length : 0;
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
