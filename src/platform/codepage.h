#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Conversion between the program's Unicode texts and a narrow code page,
// numbered as Windows numbers them. The program converts with the system's
// ANSI code page (ansiCodePage(), the default of every function here); the
// number is an argument so that every code page a system may use can be
// tried on any machine.
namespace platform {

using CodePage = unsigned;

inline constexpr CodePage utf8CodePage = 65001;

// The system's ANSI code page on Windows (936 on the systems the program is
// made for, 65001 where the user has chosen UTF-8 for every language);
// elsewhere 936, the code page the program writes on its own systems.
CodePage ansiCodePage();

// Each character the code page cannot hold becomes one "?", never a
// character that merely looks like it. Throws std::runtime_error when the
// system cannot convert at all (an unknown code page), never returns a text
// cut short.
QByteArray toAnsi(QStringView text, CodePage codePage = ansiCodePage());

// Throws std::runtime_error when the bytes are not valid in the code page.
QString fromAnsi(QByteArrayView bytes, CodePage codePage = ansiCodePage());

// As fromAnsi, but a byte sequence the code page does not hold costs one
// U+FFFD per byte that cannot start a character, never the whole text.
QString fromAnsiReplacing(QByteArrayView bytes, CodePage codePage = ansiCodePage());

// Whether the byte opens a character of more than one byte: a lead byte of a
// double-byte code page, as the system names them, or the first byte of a
// UTF-8 sequence.
bool isAnsiLeadByte(char byte, CodePage codePage = ansiCodePage());

// The bytes the character at i takes: for a lead byte, the length of its
// character when the bytes after it complete one (in a double-byte code page
// a second byte from 0x40 to 0xFE other than 0x7F, so that no byte of the
// settings file's structure is ever taken for one), else 1.
qsizetype ansiCharLength(QByteArrayView text, qsizetype i, CodePage codePage = ansiCodePage());

// Where a character that the end of the text cuts short begins (a lead byte
// without the bytes that complete it); the text's size when it ends whole.
qsizetype cutCharacterStart(QByteArrayView text, CodePage codePage = ansiCodePage());

} // namespace platform
