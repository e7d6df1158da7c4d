#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <span>

// Reading and writing one entry of a private-profile (INI) file, in the
// narrow code page's bytes, with the behaviour of the platform functions
// that the settings file was first written with. Section and key names match
// without regard to letter case.
namespace platform {

// Copies the entry's value, or defaultValue when the file, the section or
// the key is missing, into buffer: at most size - 1 bytes and a NUL. Returns
// the number of bytes copied, without the NUL.
qint32 getPrivateProfileString(QByteArrayView section, QByteArrayView key,
    QByteArrayView defaultValue, char *buffer, qint32 size, const QString &file);

// One entry to write: an absent value removes it.
struct ProfileEntry
{
    QByteArrayView section;
    QByteArrayView key;
    std::optional<QByteArrayView> value;
};

// Sets the entries in their order as one change: the file is replaced once,
// so that a write cut short leaves the old file or the whole new one, never
// part of the entries. Returns false when the file cannot be written, and
// then leaves it as it was.
bool writePrivateProfileStrings(std::span<const ProfileEntry> entries, const QString &file);

// Sets the entry; an absent value removes it. As writePrivateProfileStrings.
inline bool writePrivateProfileString(QByteArrayView section, QByteArrayView key,
    std::optional<QByteArrayView> value, const QString &file)
{
    const ProfileEntry entry { section, key, value };
    return writePrivateProfileStrings({ &entry, 1 }, file);
}

} // namespace platform
