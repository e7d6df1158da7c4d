#include "profilereference.h"

#include "platform/codepage.h"

#include <QString>
#include <QStringDecoder>

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

QByteArray sectionName(const QByteArray &line, bool unicode)
{
    QByteArray name;
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (!unicode && isPair(line, i)) {
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

// UTF-16 in either byte order as UTF-8; a surrogate without its partner,
// which UTF-8 cannot hold, becomes U+FFFD, and an odd last byte is no character.
QByteArray utf16ToUtf8(QByteArrayView bytes, bool bigEndian)
{
    const auto unitAt = [bytes, bigEndian](qsizetype i) {
        const auto first = uchar(bytes[i]);
        const auto second = uchar(bytes[i + 1]);
        return bigEndian ? char16_t(first << 8 | second) : char16_t(first | second << 8);
    };
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = unitAt(i);
        const bool pairs = i + 3 < bytes.size() && QChar::isHighSurrogate(unit)
            && QChar::isLowSurrogate(unitAt(i + 2));
        if (pairs) {
            text += QChar(unit);
            text += QChar(unitAt(i + 2));
            i += 2;
        } else {
            text += QChar::isSurrogate(unit) ? QChar(QChar::ReplacementCharacter) : QChar(unit);
        }
    }
    return text.toUtf8();
}

} // namespace

Profile parse(QByteArrayView bytes)
{
    Profile profile;
    QByteArray content = bytes.toByteArray();
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        profile.unicode = true;
        content = utf16ToUtf8(bytes.sliced(2), bytes.startsWith("\xfe\xff"));
    } else if (bytes.startsWith("\xef\xbb\xbf")) {
        profile.unicode = true;
        content = bytes.sliced(3).toByteArray();
    }
    QByteArray line;
    const auto take = [&profile](const QByteArray &raw) {
        const QByteArray text = trim(raw);
        if (text.isEmpty() || text.front() == ';')
            return;
        if (text.front() == '[') {
            profile.sections.append(sectionName(text, profile.unicode));
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
        QByteArray value = entry.value;
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        if (!profile.unicode)
            return value;
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return platform::toAnsi(QString(decoder.decode(value)));
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
