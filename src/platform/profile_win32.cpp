#include "platform/profile.h"

#include "platform/codepage.h"
#include "platform/files_win32.h"
#include "platform/profile_portable.h"
#include "platform/profile_text.h"
#include "platform/wide_win32.h"

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

std::wstring wideText(QByteArrayView ansi)
{
    return fromAnsiReplacing(ansi).toStdWString();
}

// The system's write of one entry into the file. Its functions write names
// and values as they are given, where a line break would make lines of its
// own in the file.
bool writeEntry(const ProfileEntry &entry, const QString &file)
{
    const QByteArray section = portable::oneLine(entry.section);
    const QByteArray key = portable::oneLine(entry.key);
    const QByteArray value = entry.value ? portable::oneLine(*entry.value) : QByteArray();
    if (const std::optional<QByteArray> name = ansiName(file)) {
        return WritePrivateProfileStringA(section.constData(), key.constData(),
            entry.value ? value.constData() : nullptr, name->constData());
    }
    const std::wstring text = entry.value ? wideText(value) : std::wstring();
    return WritePrivateProfileStringW(wideText(section).c_str(), wideText(key).c_str(),
        entry.value ? text.c_str() : nullptr, wide(file));
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
    const DWORD length = GetPrivateProfileStringW(wideText(section).c_str(), wideText(key).c_str(),
        wideText(defaultValue).c_str(), units.data(), DWORD(size), wide(file));
    // Cut as the narrow read would be: at most size - 1 bytes of the code page.
    const QByteArray value = toAnsi(QStringView(units.data(), qsizetype(length)));
    const qsizetype count = std::min(value.size(), qsizetype(size) - 1);
    std::memcpy(buffer, value.constData(), size_t(count));
    buffer[count] = '\0';
    return qint32(count);
}

bool writePrivateProfileStrings(std::span<const ProfileEntry> entries, const QString &file)
{
    if (hasOwnForm(file))
        return portable::writePrivateProfileStrings(entries, file);
    // The system rewrites a file in place, so that a save cut short would
    // leave it cut: every entry goes into one copy of the file (an empty one
    // for a file not made yet), which then takes its place whole. A
    // read-only file is never written.
    return editThroughCopy(file, [entries](const QString &copy) {
        return std::ranges::all_of(
            entries, [&copy](const ProfileEntry &entry) { return writeEntry(entry, copy); });
    });
}

} // namespace platform
