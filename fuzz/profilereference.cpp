#include "profilereference.h"

namespace reference {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1a;
}

QByteArray trim(QByteArray text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// Code page 936: a lead byte 0x81-0xFE followed by 0x40-0xFE other than 0x7F
// is one character, so a "]" in second place closes nothing.
bool isPair(QByteArrayView text, qsizetype i)
{
    if (i + 1 >= text.size())
        return false;
    const auto lead = uchar(text[i]);
    const auto trail = uchar(text[i + 1]);
    return lead >= 0x81 && lead <= 0xfe && trail >= 0x40 && trail <= 0xfe && trail != 0x7f;
}

QByteArray sectionName(const QByteArray &line)
{
    QByteArray name;
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (isPair(line, i)) {
            name += line.mid(i, 2);
            ++i;
        } else if (line[i] == ']') {
            break;
        } else {
            name += line[i];
        }
    }
    return trim(name);
}

QByteArray upper(QByteArrayView text)
{
    QByteArray result = text.toByteArray();
    for (char &c : result) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    }
    return result;
}

} // namespace

Profile parse(QByteArrayView content)
{
    Profile profile;
    QByteArray line;
    const auto take = [&profile](const QByteArray &raw) {
        const QByteArray text = trim(raw);
        if (text.isEmpty() || text.front() == ';')
            return;
        if (text.front() == '[') {
            profile.sections.append(sectionName(text));
            return;
        }
        const qsizetype equals = text.indexOf('=');
        if (equals < 0)
            return;
        const qsizetype index = profile.sections.size() - 1;
        profile.entries.append({ index, index < 0 ? QByteArray() : profile.sections.back(),
            trim(text.left(equals)), trim(text.mid(equals + 1)) });
    };
    for (const char c : content) {
        if (c == '\r' || c == '\n') {
            take(line);
            line.clear();
        } else {
            line += c;
        }
    }
    take(line);
    return profile;
}

QByteArray argument(QByteArrayView name)
{
    QByteArray text = name.toByteArray();
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0)
        text.truncate(nul);
    text.replace("\r\n", " ");
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    while (text.startsWith(' '))
        text.remove(0, 1);
    while (text.endsWith(' '))
        text.chop(1);
    return text;
}

bool isAscii(QByteArrayView text)
{
    for (const char c : text) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return upper(a) == upper(b);
}

namespace {

qsizetype firstSection(const Profile &profile, QByteArrayView section)
{
    for (qsizetype i = 0; i < profile.sections.size(); ++i) {
        if (sameName(profile.sections[i], section))
            return i;
    }
    return -1;
}

} // namespace

std::optional<QByteArray> lookup(const Profile &profile, QByteArrayView section, QByteArrayView key)
{
    const qsizetype index = firstSection(profile, section);
    if (index < 0)
        return std::nullopt;
    for (const Entry &entry : profile.entries) {
        if (entry.sectionIndex != index || !sameName(entry.key, key))
            continue;
        const QByteArray &value = entry.value;
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front())
            return value.mid(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

qsizetype entryCount(const Profile &profile, QByteArrayView section, QByteArrayView key)
{
    const qsizetype index = firstSection(profile, section);
    qsizetype count = 0;
    for (const Entry &entry : profile.entries) {
        if (index >= 0 && entry.sectionIndex == index && sameName(entry.key, key))
            ++count;
    }
    return count;
}

} // namespace reference
