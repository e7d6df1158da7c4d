#include "platform/profile_text.h"

#include "platform/codepage.h"
#include "platform/files.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace platform {

namespace {

constexpr char utf8Mark[] = "\xef\xbb\xbf";
constexpr char utf16LeMark[] = "\xff\xfe";
constexpr char utf16BeMark[] = "\xfe\xff";
// The file is read and a UTF-16 file written in pieces of this size, so that
// neither needs a second copy of the whole file.
constexpr qsizetype chunkSize = 1 << 20;

void appendUtf8(QByteArray &text, char32_t code)
{
    if (code < 0x80) {
        text += char(code);
    } else if (code < 0x800) {
        text += char(0xc0 | (code >> 6));
        text += char(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        text += char(0xe0 | (code >> 12));
        text += char(0x80 | ((code >> 6) & 0x3f));
        text += char(0x80 | (code & 0x3f));
    } else {
        text += char(0xf0 | (code >> 18));
        text += char(0x80 | ((code >> 12) & 0x3f));
        text += char(0x80 | ((code >> 6) & 0x3f));
        text += char(0x80 | (code & 0x3f));
    }
}

// UTF-16 units into the 8-bit text, fed one unit at a time across the pieces
// of the file: a high surrogate waits for the unit after it.
class UnitsToText
{
public:
    explicit UnitsToText(QByteArray &text)
        : m_text(text)
    {
    }

    void put(char16_t unit)
    {
        if (m_high) {
            const char16_t high = std::exchange(m_high, 0);
            if (QChar::isLowSurrogate(unit)) {
                appendUtf8(m_text, QChar::surrogateToUcs4(high, unit));
                return;
            }
            appendUtf8(m_text, high);
        }
        if (QChar::isHighSurrogate(unit))
            m_high = unit;
        else
            appendUtf8(m_text, unit);
    }

    void finish()
    {
        if (m_high)
            appendUtf8(m_text, std::exchange(m_high, 0));
    }

private:
    QByteArray &m_text;
    char16_t m_high = 0;
};

// The 8-bit text of a UTF-16 file back into its units. That text is made by
// UnitsToText and by UTF-8 of whole characters, so every sequence is whole;
// a byte that starts none still gives one U+FFFD and nothing is read past the end.
void appendUnits(QString &units, QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size();) {
        const auto lead = uchar(text[i]);
        const qsizetype length = lead < 0x80 ? 1
            : lead < 0xc0                    ? 0
            : lead < 0xe0                    ? 2
            : lead < 0xf0                    ? 3
            : lead < 0xf5                    ? 4
                                             : 0;
        bool whole = length > 0 && i + length <= text.size();
        char32_t code = length == 1 ? lead : lead & (0x7f >> length);
        for (qsizetype k = 1; whole && k < length; ++k) {
            whole = (uchar(text[i + k]) & 0xc0) == 0x80;
            code = (code << 6) | (uchar(text[i + k]) & 0x3f);
        }
        if (!whole || code > 0x10ffff) {
            units += QChar::ReplacementCharacter;
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            units += QChar::highSurrogate(code);
            units += QChar::lowSurrogate(code);
        } else {
            units += QChar(char16_t(code));
        }
        i += length;
    }
}

bool isUtf16(ProfileForm form)
{
    return form == ProfileForm::Utf16Le || form == ProfileForm::Utf16Be;
}

// Reads the units after the mark, in the byte order of the file's form; an
// odd last byte is kept as the tail.
bool readUnits(QFile &file, ProfileText &text)
{
    // Where the first byte of a unit goes: the low half, or the high half of a big-endian unit.
    const int firstShift = text.form == ProfileForm::Utf16Be ? 8 : 0;
    UnitsToText units(text.bytes);
    int first = -1; // the first byte of a unit whose second is still to come
    for (QByteArray chunk = file.read(chunkSize); !chunk.isEmpty(); chunk = file.read(chunkSize)) {
        for (const char byte : chunk) {
            if (first < 0) {
                first = uchar(byte);
            } else {
                units.put(char16_t(first << firstShift | uchar(byte) << (8 - firstShift)));
                first = -1;
            }
        }
    }
    units.finish();
    if (first >= 0)
        text.tail = QByteArray(1, char(first));
    return file.error() == QFileDevice::NoError;
}

bool writeUnits(QIODevice &file, QByteArrayView text, ProfileForm form)
{
    // Where a unit's low byte goes: first, or second in a big-endian file.
    const qsizetype lowAt = form == ProfileForm::Utf16Be ? 1 : 0;
    QString units;
    QByteArray bytes;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = std::min(text.size(), at + chunkSize);
        while (end < text.size() && (uchar(text[end]) & 0xc0) == 0x80)
            ++end;
        units.clear();
        appendUnits(units, text.sliced(at, end - at));
        bytes.resize(units.size() * 2);
        for (qsizetype i = 0; i < units.size(); ++i) {
            bytes[2 * i + lowAt] = char(units[i].unicode() & 0xff);
            bytes[2 * i + 1 - lowAt] = char(units[i].unicode() >> 8);
        }
        if (file.write(bytes) != bytes.size())
            return false;
        at = end;
    }
    return true;
}

} // namespace

QByteArrayView ProfileText::text() const
{
    return form == ProfileForm::Utf8 ? QByteArrayView(bytes).sliced(sizeof utf8Mark - 1)
                                     : QByteArrayView(bytes);
}

ProfileForm profileFormOf(QByteArrayView start)
{
    if (start.startsWith(utf8Mark))
        return ProfileForm::Utf8;
    if (start.startsWith(utf16LeMark))
        return ProfileForm::Utf16Le;
    if (start.startsWith(utf16BeMark))
        return ProfileForm::Utf16Be;
    return ProfileForm::Ansi;
}

ProfileText readProfileText(const QString &path)
{
    QFile file;
    const OpenResult opened = openForReading(path, file);
    if (opened == OpenResult::Missing)
        return {};
    ProfileText unreadable;
    unreadable.state = ProfileText::State::Unreadable;
    if (opened == OpenResult::Failed)
        return unreadable;
    ProfileText text;
    text.state = ProfileText::State::Read;
    text.form = profileFormOf(file.peek(3));
    if (isUtf16(text.form)) {
        file.skip(2);
        if (!readUnits(file, text))
            return unreadable;
        return text;
    }
    text.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable;
    return text;
}

bool writeProfileText(
    const QString &path, const ProfileText &like, std::initializer_list<QByteArrayView> pieces)
{
    return replaceFile(path, [&like, &pieces](QIODevice &file) {
        const auto put = [&file](QByteArrayView bytes) {
            return file.write(bytes.data(), bytes.size()) == bytes.size();
        };
        bool written = true;
        if (like.form == ProfileForm::Utf8)
            written = put(utf8Mark);
        else if (like.form == ProfileForm::Utf16Le)
            written = put(utf16LeMark);
        else if (like.form == ProfileForm::Utf16Be)
            written = put(utf16BeMark);
        for (const QByteArrayView piece : pieces)
            written
                = written && (isUtf16(like.form) ? writeUnits(file, piece, like.form) : put(piece));
        return written && put(like.tail);
    });
}

QByteArray ansiToText(QByteArrayView ansi, ProfileForm form)
{
    return form == ProfileForm::Ansi ? ansi.toByteArray() : fromAnsiReplacing(ansi).toUtf8();
}

QByteArray textToAnsi(QByteArrayView text, ProfileForm form)
{
    switch (form) {
    case ProfileForm::Ansi:
        return text.toByteArray();
    case ProfileForm::Utf8: {
        // A U+FEFF at the start of a value is a character of the value, not a mark.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return toAnsi(QString(decoder.decode(text)));
    }
    case ProfileForm::Utf16Le:
    case ProfileForm::Utf16Be:
        break;
    }
    QString units;
    appendUnits(units, text);
    return toAnsi(units);
}

} // namespace platform
