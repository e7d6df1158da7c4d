#include "platform/profile_portable.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/profile_text.h"
#include "platform/trim.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <optional>

// The rules work on the file's 8-bit text (see profile_text.h). In the code
// page (936), every byte that gives the file its structure (line breaks,
// blanks, "=", ";", quotes) lies below 0x40 and so can never be the second
// byte of a double-byte character; only "]" and the letters can, which is why
// names are scanned character-wise. In the text of a Unicode file no byte
// below 0x80 is ever part of another character.
namespace platform::portable {

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
    return trimmedBy(text, isBlank);
}

qsizetype charLength(QByteArrayView text, qsizetype i, ProfileForm form)
{
    return form == ProfileForm::Ansi ? ansiCharLength(text, i) : 1;
}

char foldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Names match without regard to the case of their ASCII letters; a double-byte
// character matches only itself, even when its second byte looks like a letter.
bool sameName(QByteArrayView a, QByteArrayView b, ProfileForm form)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        const qsizetype length = charLength(a, i, form);
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

// Section and key arguments lose the spaces at both ends, and only those, as
// the platform's functions do: a name with a tab at its end is written with it.
QByteArray nameArgument(QByteArrayView name)
{
    const QByteArray line = oneLine(name);
    return trimmedBy(QByteArrayView(line), [](char c) { return c == ' '; }).toByteArray();
}

// One line of the text: its characters [begin, end) and its line break
// [end, next), which is a single CR LF, CR or LF, or nothing at the end.
struct Line
{
    qsizetype begin;
    qsizetype end;
    qsizetype next;
};

// Lines are found one at a time as the text is walked, so that a file of
// millions of short lines costs no memory beyond the file itself.
Line lineAt(QByteArrayView text, qsizetype begin)
{
    qsizetype end = begin;
    while (end < text.size() && !isLineBreak(text[end]))
        ++end;
    qsizetype next = end;
    if (next < text.size())
        next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
    return { begin, end, next };
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
ParsedLine parseLine(QByteArrayView text, ProfileForm form)
{
    const QByteArrayView line = trimmed(text);
    ParsedLine parsed;
    if (line.isEmpty() || line[0] == ';')
        return parsed;
    if (line[0] == '[') {
        qsizetype close = 1;
        while (close < line.size() && line[close] != ']')
            close += charLength(line, close, form);
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

// Where a section and a key stand in the text: the first section of that name
// and, inside it, the first entry of that key and the last entry line.
struct Location
{
    std::optional<Line> section;
    std::optional<Line> entry;
    std::optional<Line> lastEntry;
    QByteArrayView storedKey;
    QByteArrayView value;
};

Location locate(QByteArrayView text, ProfileForm form, QByteArrayView section, QByteArrayView key)
{
    Location location;
    for (qsizetype at = 0; at < text.size();) {
        const Line line = lineAt(text, at);
        at = line.next;
        const ParsedLine parsed = parseLine(text.sliced(line.begin, line.end - line.begin), form);
        if (parsed.kind == Kind::Section) {
            if (location.section)
                break;
            if (sameName(parsed.name, section, form))
                location.section = line;
        } else if (parsed.kind == Kind::Entry && location.section) {
            location.lastEntry = line;
            if (!location.entry && sameName(parsed.name, key, form)) {
                location.entry = line;
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

// A change of the text: [from, to) is replaced with `insert`. The last
// change of a write is written around the text as read, which is copied
// whole only when another change follows.
struct Change
{
    qsizetype from;
    qsizetype to;
    QByteArray insert;
};

// What writing the entry changes in the text; nothing when the text already
// says it.
std::optional<Change> changeFor(QByteArrayView text, ProfileForm form, const ProfileEntry &entry)
{
    const QByteArray sectionName = ansiToText(nameArgument(entry.section), form);
    const QByteArray keyName = ansiToText(nameArgument(entry.key), form);
    const Location location = locate(text, form, sectionName, keyName);

    Change change { text.size(), text.size(), {} };
    if (!entry.value) {
        if (!location.entry)
            return std::nullopt;
        change.from = location.entry->begin;
        change.to = location.entry->next;
    } else if (location.entry) {
        // The entry keeps the key as stored; the line is rewritten as key=value.
        change.from = location.entry->begin;
        change.to = location.entry->next;
        change.insert = location.storedKey.toByteArray() + '='
            + ansiToText(oneLine(*entry.value), form) + lineEnd;
    } else {
        const QByteArray line = keyName + '=' + ansiToText(oneLine(*entry.value), form) + lineEnd;
        if (location.section) {
            // A new entry goes directly after the section's last entry, or after its header.
            const Line &after = location.lastEntry ? *location.lastEntry : *location.section;
            change.from = after.end;
            change.to = after.next;
            change.insert = after.next == after.end
                ? QByteArray(lineEnd)
                : text.sliced(after.end, after.next - after.end).toByteArray();
            change.insert += line;
        } else {
            if (!text.isEmpty() && !isLineBreak(text.back()))
                change.insert = lineEnd;
            change.insert += '[' + sectionName + ']' + lineEnd + line;
        }
    }
    if (text.sliced(change.from, change.to - change.from) == change.insert)
        return std::nullopt;
    return change;
}

} // namespace

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

qint32 getPrivateProfileString(QByteArrayView section, QByteArrayView key,
    QByteArrayView defaultValue, char *buffer, qint32 size, const QString &file)
{
    if (size <= 0 || buffer == nullptr)
        return 0;

    QByteArray found;
    QByteArrayView result;
    bool inFile = false;
    const ProfileText content = readProfileText(file);
    if (content.state == ProfileText::State::Read) {
        // Lookups go through the same argument rules as writes, so a value just written is found.
        const Location location
            = locate(content.text(), content.form, ansiToText(nameArgument(section), content.form),
                ansiToText(nameArgument(key), content.form));
        if (location.entry) {
            found = textToAnsi(unquoted(location.value), content.form);
            result = found;
            inFile = true;
        }
    }
    if (!inFile) {
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

bool writePrivateProfileStrings(std::span<const ProfileEntry> entries, const QString &file)
{
    if (file.isEmpty())
        return false;
    const ProfileText content = readProfileText(file);
    if (content.state == ProfileText::State::Unreadable)
        return false;
    const bool exists = content.state == ProfileText::State::Read;
    // Removing from a file that does not exist has nothing to do and creates nothing.
    if (!exists
        && std::ranges::none_of(entries, [](const ProfileEntry &e) { return e.value.has_value(); }))
        return true;
    if (exists && !hasWriteBit(file))
        return false;
    // The folder's name is cut from the file's as text: the name's bytes stay as they are.
    const QString folder = QFileInfo(file).absolutePath();
    if (!hasWriteBit(folder))
        return false;

    // Each entry's change applies to the text the ones before it left; the
    // file is written once, with all of them.
    QByteArray edited;
    QByteArrayView text = content.text();
    bool changed = false;
    std::optional<Change> pending;
    for (const ProfileEntry &entry : entries) {
        if (pending) {
            QByteArray joined;
            joined.reserve(text.size() + pending->insert.size());
            joined.append(text.first(pending->from))
                .append(pending->insert)
                .append(text.sliced(pending->to));
            edited = std::move(joined);
            text = edited;
            changed = true;
        }
        pending = changeFor(text, content.form, entry);
    }
    if (!pending)
        return !changed || writeProfileText(file, content, { text });
    return writeProfileText(
        file, content, { text.first(pending->from), pending->insert, text.sliced(pending->to) });
}

} // namespace platform::portable
