#include "startup/modini.h"

#include "platform/codepage.h"
#include "platform/profile.h"

#include <algorithm>
#include <stdexcept>

namespace modIni {

namespace {

// The read buffer: the platform read fills at most 143 bytes of it and a NUL.
constexpr qint32 bufferSize = 144;

struct Read
{
    qint16 count; // as the read returns it: 0 for a missing or empty entry
    QByteArray bytes; // the value, without any NUL among its bytes
};

Read readEntry(const QByteArray &section, const QByteArray &key)
{
    char buffer[bufferSize] = {};
    // The read gets the empty text as its default: a missing entry and an empty one
    // both give a count of 0.
    const auto count = qint16(
        platform::getPrivateProfileString(section, key, "", buffer, bufferSize, strIniFile));
    QByteArray value(buffer, std::max<qint16>(count, 0));
    value.replace('\0', QByteArrayView());
    return { count, value };
}

// A read cut by the buffer may end in the first bytes of a character of
// more than one byte; they are dropped. Any other byte sequence the code page
// does not hold costs one character, never the whole read.
QString decodeValue(QByteArrayView bytes, bool cut)
{
    if (cut)
        bytes.truncate(platform::cutCharacterStart(bytes));
    return platform::fromAnsiReplacing(bytes);
}

} // namespace

QString GetIniValue(QString section, QString key, std::optional<QString> defaultValue)
{
    const QByteArray narrowSection = platform::toAnsi(section);
    const QByteArray narrowKey = platform::toAnsi(key);
    const Read read = readEntry(narrowSection, narrowKey);

    if (read.count <= 0) {
        // The caller's default goes back to the file; an absent one removes the entry.
        std::optional<QByteArray> narrowDefault;
        if (defaultValue)
            narrowDefault = platform::toAnsi(*defaultValue);
        if (!iniReadOnly)
            platform::writePrivateProfileString(narrowSection, narrowKey,
                narrowDefault ? std::optional<QByteArrayView>(*narrowDefault) : std::nullopt,
                strIniFile);
        return defaultValue.value_or(QString());
    }
    return decodeValue(read.bytes, read.count == bufferSize - 1);
}

std::optional<QString> readIniValue(QString section, QString key)
{
    const Read read = readEntry(platform::toAnsi(section), platform::toAnsi(key));
    try {
        return platform::fromAnsi(read.bytes);
    } catch (const std::runtime_error &) {
        return std::nullopt;
    }
}

bool SetIniValue(QString section, QString key, QString value)
{
    return !iniReadOnly
        && platform::writePrivateProfileString(
            platform::toAnsi(section), platform::toAnsi(key), platform::toAnsi(value), strIniFile);
}

} // namespace modIni
