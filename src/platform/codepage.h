#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Conversion between the program's Unicode texts and the system's narrow
// (ANSI) code page, which is 936 on the systems the program is made for.
namespace platform {

// Each character the code page cannot hold becomes one "?".
QByteArray toAnsi(QStringView text);

// Throws std::runtime_error when the bytes are not valid in the code page.
QString fromAnsi(QByteArrayView bytes);

// As fromAnsi, but a byte sequence the code page does not hold costs one
// U+FFFD per byte that cannot start a character, never the whole text.
QString fromAnsiReplacing(QByteArrayView bytes);

// Bytes 0x81 to 0xFE open a double-byte character of the code page.
inline bool isAnsiLeadByte(char byte)
{
    return uchar(byte) >= 0x81 && uchar(byte) <= 0xfe;
}

// The bytes the character at i takes: 2 for a lead byte followed by a valid
// second byte (0x40 to 0xFE other than 0x7F), else 1.
inline qsizetype ansiCharLength(QByteArrayView text, qsizetype i)
{
    if (!isAnsiLeadByte(text[i]) || i + 1 >= text.size())
        return 1;
    const auto trail = uchar(text[i + 1]);
    return (trail >= 0x40 && trail != 0x7f && trail != 0xff) ? 2 : 1;
}

} // namespace platform
