#include "platform/folders.h"

#include <QDir>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

std::optional<QString> knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::optional<QString> folder;
    if (SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path) == S_OK)
        folder = QString::fromWCharArray(path);
    CoTaskMemFree(path);
    return folder;
}

// Whether `path` is `folder` or lies inside it; names compare without regard
// to case, as the file system compares them.
bool isWithin(const QString &path, const QString &folder)
{
    const QString inner = QDir::toNativeSeparators(QDir::cleanPath(path));
    QString outer = QDir::toNativeSeparators(QDir::cleanPath(folder));
    if (outer.isEmpty())
        return false;
    if (inner.compare(outer, Qt::CaseInsensitive) == 0)
        return true;
    if (!outer.endsWith(u'\\'))
        outer += u'\\';
    return inner.startsWith(outer, Qt::CaseInsensitive);
}

} // namespace

std::optional<QString> programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const QString file = QString::fromStdWString(path);
    const qsizetype separator = file.lastIndexOf(u'\\');
    if (separator < 0)
        return std::nullopt;
    // A drive's root folder keeps its separator: "C:\".
    const bool root = separator == 2 && file.at(1) == u':';
    return file.first(root ? separator + 1 : separator);
}

// A program under one of the system's program-files folders was installed
// there for every user (or for this one, under the per-user Programs folder).
bool isInstallFolder(const QString &folder)
{
    for (const KNOWNFOLDERID &id :
        { FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_UserProgramFiles }) {
        const std::optional<QString> programs = knownFolder(id);
        if (programs && isWithin(folder, *programs))
            return true;
    }
    return false;
}

// Windows has no owner bits that a user would set: whether a real write works
// in the folder decides (writeWorks).
bool userOwnsWritableFolder(const QString &folder)
{
    const DWORD attributes = GetFileAttributesW(wide(folder));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Files on Windows carry no owner a user would set; the folder's place and a
// real write decide.
bool trustedFile(const QString &)
{
    return true;
}

bool writeWorks(const QString &folder)
{
    const QString probe = QDir::toNativeSeparators(
        folder + u"/.tolvaro-write-probe-"_s + QString::number(GetCurrentProcessId()));
    // Never redirected into a virtual store: the program runs as the invoker.
    const HANDLE file = CreateFileW(wide(probe), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool wrote
        = WriteFile(file, "x", 1, &written, nullptr) && written == 1 && FlushFileBuffers(file);
    CloseHandle(file);
    return wrote;
}

// The user's application-data folder: %APPDATA%\Tolvaro.
std::optional<QString> userConfigFolder()
{
    const std::optional<QString> appData = knownFolder(FOLDERID_RoamingAppData);
    if (!appData || appData->isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(*appData + u"/Tolvaro"_s);
}

// The application-data folder is the user's alone; a folder made in it
// inherits that.
bool makeUserFolder(const QString &folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    const DWORD attributes = GetFileAttributesW(wide(native));
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes & FILE_ATTRIBUTE_DIRECTORY;
    const qsizetype separator = native.lastIndexOf(u'\\');
    if (separator > 0 && !native.first(separator).endsWith(u':'))
        makeUserFolder(native.first(separator));
    CreateDirectoryW(wide(native), nullptr);
    const DWORD made = GetFileAttributesW(wide(native));
    return made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace platform
