#include "platform/files.h"

#include <QFile>
#include <QSaveFile>

#include <windows.h>

// Qt opens files on Windows by their UTF-16 names, which are the file
// system's own: no name is lost on the way.
namespace platform {

namespace {

DWORD attributesOf(const QString &path)
{
    return GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()));
}

} // namespace

// A directory search over ordinary files: a file marked hidden or system, or
// a folder of that name, is not found.
bool fileExists(const QString &path)
{
    const DWORD attributes = attributesOf(path);
    constexpr DWORD notOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN
        | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & notOrdinary);
}

bool hasWriteBit(const QString &path)
{
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY);
}

OpenResult openForReading(const QString &path, QFile &file)
{
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return OpenResult::Missing;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return OpenResult::Failed;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly) ? OpenResult::Opened : OpenResult::Failed;
}

bool replaceFile(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    const DWORD attributes = attributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES
        && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file) || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace platform
