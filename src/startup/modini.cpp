#include "startup/modini.h"

#include "platform/codepage.h"
#include "platform/profile.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <vector>

namespace modIni {

namespace {

// The read buffer: the platform read fills at most 143 bytes of it and a NUL.
constexpr qint32 bufferSize = 144;

struct Read
{
    qint16 count; // as the read returns it: 0 for a missing or empty entry
    QByteArray bytes; // the value, without any NUL among its bytes
};

enum class Use { Read, Write };

// The file the platform is asked to read or write; nothing when there is no
// settings file (no settings place: an empty name, which the system's
// functions would take for a file in the Windows folder), or when it is to
// be written and is read-only. Every platform call goes through here.
const QString *settingsFile(Use use)
{
    if (strIniFile.isEmpty() || (use == Use::Write && iniReadOnly))
        return nullptr;
    return &strIniFile;
}

bool writeEntries(std::span<const platform::ProfileEntry> entries)
{
    const QString *file = settingsFile(Use::Write);
    return file && platform::writePrivateProfileStrings(entries, *file);
}

Read readEntry(const QByteArray &section, const QByteArray &key)
{
    const QString *file = settingsFile(Use::Read);
    if (!file)
        return { 0, {} };
    char buffer[bufferSize] = {};
    // The read gets the empty text as its default: a missing entry and an empty one
    // both give a count of 0.
    const auto count
        = qint16(platform::getPrivateProfileString(section, key, "", buffer, bufferSize, *file));
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
        const platform::ProfileEntry entry { narrowSection, narrowKey,
            narrowDefault ? std::optional<QByteArrayView>(*narrowDefault) : std::nullopt };
        writeEntries({ &entry, 1 });
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
    return SetIniValues(section, { { key, value } });
}

bool SetIniValues(QString section, const QList<std::pair<QString, QString>> &entries)
{
    const QByteArray narrowSection = platform::toAnsi(section);
    // The texts first, so that the entries' views into them stay valid.
    std::vector<std::pair<QByteArray, QByteArray>> texts;
    for (const auto &[key, value] : entries)
        texts.emplace_back(platform::toAnsi(key), platform::toAnsi(value));
    std::vector<platform::ProfileEntry> narrow;
    for (const auto &[key, value] : texts)
        narrow.push_back({ narrowSection, key, value });
    return writeEntries(narrow);
}

} // namespace modIni
