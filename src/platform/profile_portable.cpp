#include "platform/profile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

// The file is handled as bytes of the narrow code page (936): every byte that
// gives the file its structure (line breaks, blanks, "=", ";", quotes) lies
// below 0x40 and so can never be the second byte of a double-byte character;
// only "]" and the letters can, which is why names are scanned character-wise.
namespace platform {

namespace {

constexpr char lineEnd[] = "\r\n";

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// The blanks a line and the parts of an entry are trimmed of: tab to CR, ^Z and space.
bool isBlank(char c)
{
    return (c >= '\t' && c <= '\r') || c == '\x1a' || c == ' ';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Bytes 0x81 to 0xFE open a double-byte character when a valid second byte follows.
qsizetype charLength(QByteArrayView text, qsizetype i)
{
    const auto lead = uchar(text[i]);
    if (lead < 0x81 || lead == 0xff || i + 1 >= text.size())
        return 1;
    const auto trail = uchar(text[i + 1]);
    return (trail >= 0x40 && trail != 0x7f && trail != 0xff) ? 2 : 1;
}

char foldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Names match without regard to the case of their ASCII letters; a double-byte
// character matches only itself, even when its second byte looks like a letter.
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        const qsizetype length = charLength(a, i);
        if (length == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
        } else if (foldCase(a[i]) != foldCase(b[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

// Text from the caller as the platform's C-string interface sees it.
QByteArrayView untilNul(QByteArrayView text)
{
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.first(nul);
}

// A line break would add lines to the file, so each becomes one blank
// (CR LF counting as one line break).
QByteArray oneLine(QByteArrayView text)
{
    text = untilNul(text);
    QByteArray result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        result.append(isLineBreak(text[i]) ? ' ' : text[i]);
    }
    return result;
}

// Section and key arguments lose the spaces at both ends, as the platform's functions do.
QByteArray nameArgument(QByteArrayView name)
{
    QByteArray result = oneLine(name);
    qsizetype begin = 0;
    qsizetype end = result.size();
    while (begin < end && result[begin] == ' ')
        ++begin;
    while (end > begin && result[end - 1] == ' ')
        --end;
    return result.sliced(begin, end - begin);
}

// One line of the file: its text [begin, end) and its line break [end, next),
// which is a single CR LF, CR or LF, or nothing at the end of the file.
struct Line
{
    qsizetype begin;
    qsizetype end;
    qsizetype next;
};

QList<Line> splitLines(QByteArrayView content)
{
    QList<Line> lines;
    qsizetype begin = 0;
    while (begin < content.size()) {
        qsizetype end = begin;
        while (end < content.size() && !isLineBreak(content[end]))
            ++end;
        qsizetype next = end;
        if (next < content.size())
            next
                += (content[next] == '\r' && next + 1 < content.size() && content[next + 1] == '\n')
                ? 2
                : 1;
        lines.append({ begin, end, next });
        begin = next;
    }
    return lines;
}

enum class Kind { Other, Section, Entry };

struct ParsedLine
{
    Kind kind = Kind::Other;
    QByteArrayView name; // section name or key as stored
    QByteArrayView value; // entry value, trimmed, quotes still on
};

// A section line starts with "[" and its name runs to the first "]" or to the end
// of the line. An entry splits at the first "=". Comments (";"), blank lines and
// lines without "=" are neither.
ParsedLine parseLine(QByteArrayView text)
{
    const QByteArrayView line = trimmed(text);
    ParsedLine parsed;
    if (line.isEmpty() || line[0] == ';')
        return parsed;
    if (line[0] == '[') {
        qsizetype close = 1;
        while (close < line.size() && line[close] != ']')
            close += charLength(line, close);
        parsed.kind = Kind::Section;
        parsed.name = trimmed(line.sliced(1, std::min(close, line.size()) - 1));
        return parsed;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return parsed;
    parsed.kind = Kind::Entry;
    parsed.name = trimmed(line.first(equals));
    parsed.value = trimmed(line.sliced(equals + 1));
    return parsed;
}

// Where a section and a key stand in the file: the first section of that name
// and, inside it, the first entry of that key and the last entry line.
struct Location
{
    qsizetype section = -1;
    qsizetype entry = -1;
    qsizetype lastEntry = -1;
    QByteArrayView storedKey;
    QByteArrayView value;
};

Location locate(
    QByteArrayView content, const QList<Line> &lines, QByteArrayView section, QByteArrayView key)
{
    Location location;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed
            = parseLine(content.sliced(lines[i].begin, lines[i].end - lines[i].begin));
        if (parsed.kind == Kind::Section) {
            if (location.section >= 0)
                break;
            if (sameName(parsed.name, section))
                location.section = i;
        } else if (parsed.kind == Kind::Entry && location.section >= 0) {
            location.lastEntry = i;
            if (location.entry < 0 && sameName(parsed.name, key)) {
                location.entry = i;
                location.storedKey = parsed.name;
                location.value = parsed.value;
            }
        }
    }
    return location;
}

// One matching pair of double or single quotation marks is dropped from a value.
QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

enum class ReadState { Missing, Read, Unreadable };

struct FileContent
{
    ReadState state = ReadState::Missing;
    QByteArray bytes;
};

FileContent readFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return {};
    // Only an ordinary file is read: a pipe would wait for a writer and a
    // device such as /dev/zero would never end.
    if (!info.isFile())
        return { ReadState::Unreadable, {} };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { ReadState::Unreadable, {} };
    FileContent content { ReadState::Read, file.readAll() };
    if (file.error() != QFileDevice::NoError)
        return { ReadState::Unreadable, {} };
    return content;
}

// The permission bits themselves, not what the current user may do, so that a
// read-only file is left alone even by a user whom the system would let write.
bool hasWriteBit(const QString &path)
{
    constexpr QFileDevice::Permissions anyWrite
        = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (QFile::permissions(path) & anyWrite) != 0;
}

// Replaces the file whole, so that an interrupted write leaves the old content or the new.
bool replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

qint32 getPrivateProfileString(QByteArrayView section, QByteArrayView key,
    QByteArrayView defaultValue, char *buffer, qint32 size, const QString &file)
{
    if (size <= 0 || buffer == nullptr)
        return 0;

    QByteArrayView result;
    bool found = false;
    const FileContent content = readFile(file);
    // Lookups go through the same argument rules as writes, so a value just written is found.
    const QByteArray sectionName = nameArgument(section);
    const QByteArray keyName = nameArgument(key);
    if (content.state == ReadState::Read) {
        const Location location
            = locate(content.bytes, splitLines(content.bytes), sectionName, keyName);
        if (location.entry >= 0) {
            result = unquoted(location.value);
            found = true;
        }
    }
    if (!found) {
        // The default loses trailing spaces only.
        result = untilNul(defaultValue);
        while (!result.isEmpty() && result.back() == ' ')
            result.chop(1);
    }

    const qsizetype count = std::min(result.size(), qsizetype(size) - 1);
    if (count > 0)
        std::memcpy(buffer, result.data(), size_t(count));
    buffer[count] = '\0';
    return qint32(count);
}

bool writePrivateProfileString(QByteArrayView section, QByteArrayView key,
    std::optional<QByteArrayView> value, const QString &file)
{
    if (file.isEmpty())
        return false;
    const FileContent content = readFile(file);
    if (content.state == ReadState::Unreadable)
        return false;
    const bool exists = content.state == ReadState::Read;
    // Removing from a file that does not exist has nothing to do and creates nothing.
    if (!value && !exists)
        return true;
    if (exists && !hasWriteBit(file))
        return false;
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo(folder).isDir() || !hasWriteBit(folder))
        return false;

    const QByteArray sectionName = nameArgument(section);
    const QByteArray keyName = nameArgument(key);
    const QByteArray &old = content.bytes;
    const QList<Line> lines = splitLines(old);
    const Location location = locate(old, lines, sectionName, keyName);

    QByteArray updated;
    if (!value) {
        if (location.entry < 0)
            return true;
        const Line &line = lines[location.entry];
        updated = old.first(line.begin) + old.sliced(line.next);
    } else if (location.entry >= 0) {
        // The entry keeps the key as stored; the line is rewritten as key=value.
        const Line &line = lines[location.entry];
        updated = old.first(line.begin) + location.storedKey.toByteArray() + '=' + oneLine(*value)
            + lineEnd + old.sliced(line.next);
    } else {
        const QByteArray entry = keyName + '=' + oneLine(*value) + lineEnd;
        if (location.section >= 0) {
            // A new entry goes directly after the section's last entry, or after its header.
            const Line &line
                = lines[location.lastEntry >= 0 ? location.lastEntry : location.section];
            updated = old.first(line.end);
            updated += line.next == line.end ? lineEnd : old.sliced(line.end, line.next - line.end);
            updated += entry + old.sliced(line.next);
        } else {
            updated = old;
            if (!updated.isEmpty() && !isLineBreak(updated.back()))
                updated += lineEnd;
            updated += '[' + sectionName + ']' + lineEnd + entry;
        }
    }

    if (exists && updated == old)
        return true;
    return replaceFile(file, updated);
}

} // namespace platform
