#include "platform/profile.h"

#include "platform/profile_portable.h"

// No platform functions for settings files here: the program's own rules serve.
namespace platform {

qint32 getPrivateProfileString(QByteArrayView section, QByteArrayView key,
    QByteArrayView defaultValue, char *buffer, qint32 size, const QString &file)
{
    return portable::getPrivateProfileString(section, key, defaultValue, buffer, size, file);
}

bool writePrivateProfileStrings(std::span<const ProfileEntry> entries, const QString &file)
{
    return portable::writePrivateProfileStrings(entries, file);
}

} // namespace platform
