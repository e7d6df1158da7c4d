#include "platform/files_win32.h"
#include "platform/files.h"
#include "platform/scratchname.h"
#include "platform/wide_win32.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <windows.h>

#include <aclapi.h>

using namespace Qt::StringLiterals;

// Qt opens files on Windows by their UTF-16 names, which are the file
// system's own: no name is lost on the way.
namespace platform {

namespace {

DWORD attributesOf(const QString &path)
{
    return GetFileAttributesW(wide(path));
}

// The marks a user sets on a file, which its new content keeps.
constexpr DWORD keptMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
    | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A name beside the file that nothing has yet, made by `make`, which fails
// when the name is taken.
std::optional<QString> scratchBeside(
    const QString &path, const std::function<bool(const QString &)> &make)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString scratch = scratchName(path);
        if (make(scratch))
            return scratch;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return std::nullopt;
    }
    return std::nullopt;
}

// Writes what the system still holds of the file to the disk, so that the
// file's new name never comes before its content.
bool flushToDisk(const QString &path)
{
    const HANDLE file = CreateFileW(wide(path), GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(file);
    CloseHandle(file);
    return flushed;
}

// Gives the scratch file what the user set on the file it replaces: its
// marks (hidden, system...) and the access rules written for the file
// itself; the rules it takes from its folder it has by itself, beside it.
// Where the file system keeps no access rules there are none to give.
void keepMarksAndPermissions(const QString &path, const QString &scratch, DWORD attributes)
{
    PACL rules = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (GetNamedSecurityInfoW(wide(path), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
            nullptr, &rules, nullptr, &security)
        == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        GetSecurityDescriptorControl(security, &control, &revision);
        const SECURITY_INFORMATION which = DACL_SECURITY_INFORMATION
            | ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                             : UNPROTECTED_DACL_SECURITY_INFORMATION);
        SetNamedSecurityInfoW(const_cast<wchar_t *>(wide(scratch)), SE_FILE_OBJECT, which, nullptr,
            nullptr, rules, nullptr);
        LocalFree(security);
    }
    const DWORD marks = attributes & keptMarks;
    SetFileAttributesW(wide(scratch), marks ? marks : FILE_ATTRIBUTE_NORMAL);
}

// Puts the scratch file in the place of `path` with one rename, which either
// happens whole or not at all: over the old file, with its marks and access
// rules, or as a new file where there was none. The scratch is gone
// afterwards either way.
//
// Not ReplaceFileW, which would keep more of the old file (its owner, its
// creation time) but is, on some systems (Wine's, for one), two renames,
// between which the file has no name at all.
bool putInPlace(const QString &scratch, const QString &path, DWORD attributes)
{
    bool placed = flushToDisk(scratch);
    if (placed && attributes != INVALID_FILE_ATTRIBUTES)
        keepMarksAndPermissions(path, scratch, attributes);
    const DWORD replace = attributes == INVALID_FILE_ATTRIBUTES ? 0 : MOVEFILE_REPLACE_EXISTING;
    placed = placed && MoveFileExW(wide(scratch), wide(path), replace | MOVEFILE_WRITE_THROUGH);
    if (!placed)
        DeleteFileW(wide(scratch));
    return placed;
}

// Whether the file may be written where it is, as an edit in place would:
// neither its read-only mark nor its access rules let a replacement get
// round them, and a file another program holds open is left alone.
bool mayWriteInPlace(const QString &path, DWORD attributes)
{
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
        return false;
    const HANDLE file = CreateFileW(wide(path), GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// A new empty file; false when the name is taken.
bool makeEmpty(const QString &name)
{
    const HANDLE made = CreateFileW(
        wide(name), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(made);
    return true;
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly)
        || first.size() != second.size())
        return false;
    constexpr qint64 chunkSize = 1 << 20;
    while (!first.atEnd()) {
        const QByteArray chunk = first.read(chunkSize);
        if (chunk.isEmpty() || chunk != second.read(chunk.size()))
            return false;
    }
    return true;
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

// A folder's read-only mark says nothing about writing in it (Explorer sets
// it on every folder the user customises): for a folder only a real write
// tells, and the save that tries one fails cleanly.
bool hasWriteBit(const QString &path)
{
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) || !(attributes & FILE_ATTRIBUTE_READONLY);
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
    if (attributes != INVALID_FILE_ATTRIBUTES && !mayWriteInPlace(path, attributes))
        return false;
    const std::optional<QString> scratch = scratchBeside(path, makeEmpty);
    if (!scratch)
        return false;
    QFile file(*scratch);
    if (!file.open(QIODevice::WriteOnly)) {
        DeleteFileW(wide(*scratch));
        return false;
    }
    const bool written = write(file) && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        DeleteFileW(wide(*scratch));
        return false;
    }
    return putInPlace(*scratch, path, attributes);
}

bool editThroughCopy(const QString &path, const std::function<bool(const QString &copy)> &edit)
{
    const DWORD attributes = attributesOf(path);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && !mayWriteInPlace(path, attributes))
        return false;
    const std::optional<QString> scratch = scratchBeside(path, [&](const QString &name) {
        return exists ? bool(CopyFileW(wide(path), wide(name), TRUE)) : makeEmpty(name);
    });
    if (!scratch)
        return false;
    SetFileAttributesW(wide(*scratch), FILE_ATTRIBUTE_NORMAL);
    const bool edited = edit(*scratch);
    const bool unchanged = exists ? sameBytes(*scratch, path) : QFileInfo(*scratch).size() == 0;
    if (!edited || unchanged) {
        DeleteFileW(wide(*scratch));
        return edited;
    }
    return putInPlace(*scratch, path, attributes);
}

} // namespace platform
