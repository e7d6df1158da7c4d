#pragma once

#include "platform/profile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <span>

// The settings-file rules of profile.h in the program's own code: the whole
// of them where the platform has no such functions, and on Windows for the
// files whose form the platform's own functions do not read (a UTF-8 or a
// big-endian UTF-16 byte-order mark), so that such a file is never damaged.
namespace platform::portable {

qint32 getPrivateProfileString(QByteArrayView section, QByteArrayView key,
    QByteArrayView defaultValue, char *buffer, qint32 size, const QString &file);

bool writePrivateProfileStrings(std::span<const ProfileEntry> entries, const QString &file);

// A name or value as one line of the file: it ends at a NUL, and each line
// break becomes one blank (CR LF counting as one line break).
QByteArray oneLine(QByteArrayView text);

} // namespace platform::portable
