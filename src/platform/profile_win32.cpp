#include "platform/profile.h"

#include "platform/codepage.h"
#include "platform/files_win32.h"
#include "platform/profile_portable.h"
#include "platform/profile_text.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <vector>

#include <windows.h>

// The platform's own private-profile functions. The narrow ones take the
// file's name in the ANSI code page; a name that code page cannot hold goes
// to the wide ones instead, whose texts are converted at the boundary.
namespace platform {

namespace {

// A file that begins with a UTF-8 or a big-endian UTF-16 byte-order mark: the
// platform's functions see none of its entries and would append a second
// section of narrow text to it, so the program's own rules serve it.
bool hasOwnForm(const QString &file)
{
    QFile stream(file);
    if (!stream.open(QIODevice::ReadOnly))
        return false;
    const ProfileForm form = profileFormOf(stream.read(3));
    return form == ProfileForm::Utf8 || form == ProfileForm::Utf16Be;
}

// The file's name in the ANSI code page, when the code page holds every
// character of it.
std::optional<QByteArray> ansiName(const QString &file)
{
    QByteArray name = toAnsi(file);
    try {
        if (fromAnsi(name) == file)
            return name;
    } catch (const std::runtime_error &) {
    }
    return std::nullopt;
}

std::wstring wide(QByteArrayView ansi)
{
    return fromAnsiReplacing(ansi).toStdWString();
}

const wchar_t *wideName(const QString &file)
{
    return reinterpret_cast<const wchar_t *>(file.utf16());
}

} // namespace

qint32 getPrivateProfileString(QByteArrayView section, QByteArrayView key,
    QByteArrayView defaultValue, char *buffer, qint32 size, const QString &file)
{
    if (size <= 0 || buffer == nullptr)
        return 0;
    if (hasOwnForm(file))
        return portable::getPrivateProfileString(section, key, defaultValue, buffer, size, file);

    if (const std::optional<QByteArray> name = ansiName(file)) {
        return qint32(GetPrivateProfileStringA(section.toByteArray().constData(),
            key.toByteArray().constData(), defaultValue.toByteArray().constData(), buffer,
            DWORD(size), name->constData()));
    }
    std::vector<wchar_t> units(size_t(size), L'\0');
    const DWORD length = GetPrivateProfileStringW(wide(section).c_str(), wide(key).c_str(),
        wide(defaultValue).c_str(), units.data(), DWORD(size), wideName(file));
    // Cut as the narrow read would be: at most size - 1 bytes of the code page.
    const QByteArray value = toAnsi(QStringView(units.data(), qsizetype(length)));
    const qsizetype count = std::min(value.size(), qsizetype(size) - 1);
    std::memcpy(buffer, value.constData(), size_t(count));
    buffer[count] = '\0';
    return qint32(count);
}

bool writePrivateProfileString(QByteArrayView section, QByteArrayView key,
    std::optional<QByteArrayView> value, const QString &file)
{
    if (hasOwnForm(file))
        return portable::writePrivateProfileString(section, key, value, file);

    // The system's functions write names and values as they are given, where
    // a line break would make lines of its own in the file.
    const QByteArray sectionLine = portable::oneLine(section);
    const QByteArray keyLine = portable::oneLine(key);
    const QByteArray valueLine = value ? portable::oneLine(*value) : QByteArray();
    const auto write = [&](const QString &target) -> bool {
        if (const std::optional<QByteArray> name = ansiName(target)) {
            return WritePrivateProfileStringA(sectionLine.constData(), keyLine.constData(),
                value ? valueLine.constData() : nullptr, name->constData());
        }
        const std::wstring text = value ? wide(valueLine) : std::wstring();
        return WritePrivateProfileStringW(wide(sectionLine).c_str(), wide(keyLine).c_str(),
            value ? text.c_str() : nullptr, wideName(target));
    };
    // The system rewrites a file in place, so that a save cut short would
    // leave it cut: an existing file is written through a copy that then
    // replaces it whole. A file that does not exist yet is the system's to
    // make, and a read-only one is never written.
    if (GetFileAttributesW(wideName(file)) == INVALID_FILE_ATTRIBUTES)
        return write(file);
    return editThroughCopy(file, write);
}

} // namespace platform
