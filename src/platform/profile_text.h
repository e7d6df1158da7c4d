#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <initializer_list>

// The settings file in its four forms: bytes of the code page, and UTF-8,
// UTF-16 little-endian or UTF-16 big-endian after its byte-order mark. Each
// is read whole into one 8-bit text in which the bytes that shape the file
// (line breaks, blanks, "[", "=", ";", quotes) stand for themselves, and is
// written back in the form it came in.
namespace platform {

enum class ProfileForm { Ansi, Utf8, Utf16Le, Utf16Be };

struct ProfileText
{
    enum class State { Missing, Read, Unreadable };

    State state = State::Missing;
    ProfileForm form = ProfileForm::Ansi;
    // The code page's bytes as they are in the file; the UTF-8 file as it is,
    // mark included; a UTF-16 file as UTF-8, where a surrogate without its
    // partner takes the three bytes of its own code so that every unit is
    // written back as it was read.
    QByteArray bytes;
    // An odd last byte of a UTF-16 file, which is no character; kept at the end.
    QByteArray tail;

    // The text after any mark.
    QByteArrayView text() const;
};

// The form a file's first bytes give it (three tell it): the form of its
// byte-order mark, else the code page's bytes.
ProfileForm profileFormOf(QByteArrayView start);

// Only an ordinary file is read: a pipe would wait for a writer and a device
// such as /dev/zero would never end. Names are used as files.h says.
ProfileText readProfileText(const QString &path);

// Replaces the file whole with the pieces of text joined, in the form of
// `like` (with its mark and its odd last byte), so that an interrupted write
// leaves the old content or the new.
bool writeProfileText(
    const QString &path, const ProfileText &like, std::initializer_list<QByteArrayView> pieces);

// Names and values from the code page into a text of the given form.
QByteArray ansiToText(QByteArrayView ansi, ProfileForm form);

// A text of the given form in the code page; a character the code page cannot
// hold becomes "?", as when the platform reads a Unicode file into narrow text.
QByteArray textToAnsi(QByteArrayView text, ProfileForm form);

} // namespace platform
