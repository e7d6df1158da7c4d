#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

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

// Sets the entry; an absent value removes it. Returns false when the file
// cannot be written, and then leaves it as it was.
bool writePrivateProfileString(QByteArrayView section, QByteArrayView key,
    std::optional<QByteArrayView> value, const QString &file);

} // namespace platform
