#include "startup/modini.h"

#include "platform/codepage.h"
#include "platform/profile.h"

#include <stdexcept>

namespace modIni {

namespace {

constexpr qint32 bufferSize = 144;

// Lead bytes of the file's code page open a double-byte character.
bool isLeadByte(char byte)
{
    return uchar(byte) >= 0x81 && uchar(byte) <= 0xfe;
}

// A value that does not decode as a whole is decoded character by character:
// a double-byte character split by the read's size limit is dropped, any other
// byte sequence the code page does not hold becomes U+FFFD, so one bad byte
// costs one character and never the whole read.
QString decodeValue(QByteArrayView bytes, bool cut)
{
    try {
        return platform::fromAnsi(bytes);
    } catch (const std::runtime_error &) {
    }
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = (isLeadByte(bytes[i]) && i + 1 < bytes.size()) ? 2 : 1;
        if (cut && length == 1 && i + 1 == bytes.size() && isLeadByte(bytes[i]))
            break;
        try {
            text += platform::fromAnsi(bytes.sliced(i, length));
            i += length;
        } catch (const std::runtime_error &) {
            // A lead byte with an invalid second byte: only the lead byte is lost.
            text += QChar::ReplacementCharacter;
            i += 1;
        }
    }
    return text;
}

} // namespace

QString GetIniValue(QString section, QString key, std::optional<QString> defaultValue)
{
    char buffer[bufferSize] = {};
    const QByteArray narrowSection = platform::toAnsi(section);
    const QByteArray narrowKey = platform::toAnsi(key);
    // The read gets the empty text as its default: a missing entry and an empty one
    // both give a count of 0.
    const auto count = qint16(platform::getPrivateProfileString(
        narrowSection, narrowKey, "", buffer, bufferSize, strIniFile));

    if (count <= 0) {
        // The caller's default goes back to the file; an absent one removes the entry.
        std::optional<QByteArray> narrowDefault;
        if (defaultValue)
            narrowDefault = platform::toAnsi(*defaultValue);
        platform::writePrivateProfileString(narrowSection, narrowKey,
            narrowDefault ? std::optional<QByteArrayView>(*narrowDefault) : std::nullopt,
            strIniFile);
        return defaultValue.value_or(QString());
    }

    // The value is the buffer's bytes up to the count, leaving out any NUL among them.
    QByteArray value(buffer, count);
    value.replace('\0', QByteArrayView());
    return decodeValue(value, count == bufferSize - 1);
}

bool SetIniValue(QString section, QString key, QString value)
{
    return platform::writePrivateProfileString(
        platform::toAnsi(section), platform::toAnsi(key), platform::toAnsi(value), strIniFile);
}

} // namespace modIni
