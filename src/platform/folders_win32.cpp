#include "platform/folders_win32.h"

#include "platform/folders.h"
#include "platform/scratchname.h"
#include "platform/wide_win32.h"

#include <QDir>

#include <windows.h>

#include <aclapi.h>
#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

std::optional<QString> knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::optional<QString> folder;
    if (SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path) == S_OK)
        folder = QString::fromWCharArray(path);
    CoTaskMemFree(path);
    return folder;
}

QStringList programFoldersOfTheSystem()
{
    QStringList folders;
    for (const KNOWNFOLDERID &id :
        { FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_UserProgramFiles }) {
        if (const std::optional<QString> folder = knownFolder(id))
            folders.append(*folder);
    }
    return folders;
}

QString sidText(PSID sid)
{
    LPWSTR text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, &text))
        return {};
    const QString result = QString::fromWCharArray(text);
    LocalFree(text);
    return result;
}

QString currentUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    // Allocated, so aligned for the structure it receives.
    std::vector<char> buffer(size);
    QString user;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        user = sidText(reinterpret_cast<const TOKEN_USER *>(buffer.data())->User.Sid);
    CloseHandle(token);
    return user;
}

// The accounts besides the user that own the system's files and could change
// the program itself: the Administrators group, the system account and
// TrustedInstaller.
bool isSystemAccount(const QString &sid)
{
    static const QString accounts[] = {
        u"S-1-5-32-544"_s, // Administrators
        u"S-1-5-18"_s, // the system account
        u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"_s, // TrustedInstaller
    };
    return std::ranges::find(accounts, sid) != std::end(accounts);
}

// The identifiers an entry names for whoever owns the object: CREATOR OWNER,
// which grants nothing on the object itself, and OWNER RIGHTS, whose owner is
// judged on its own.
bool standsForTheOwner(const QString &sid)
{
    return sid == u"S-1-3-0"_s || sid == u"S-1-3-4"_s;
}

// Whether an entry of the access list that applies to the object itself
// lets anyone but the user and the system accounts write it, add to it
// (a folder: make or remove files in it), or change its rules or owner.
// Entries that only pass on to what is made inside (inherit-only ones,
// as CREATOR OWNER entries are) do not apply to it; denying entries
// are not weighed, so a right that one of them takes back still counts.
// No access list at all lets everyone do anything.
bool othersMayWrite(const ACL *rules)
{
    if (rules == nullptr)
        return true;
    constexpr ACCESS_MASK writing = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD
        | GENERIC_WRITE | GENERIC_ALL | WRITE_DAC | WRITE_OWNER | DELETE;
    const QString user = currentUser();
    for (DWORD i = 0; i < rules->AceCount; ++i) {
        void *entry = nullptr;
        if (!GetAce(const_cast<ACL *>(rules), i, &entry))
            return true;
        const auto *header = static_cast<const ACE_HEADER *>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        const auto *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(entry);
        if ((allowed->Mask & writing) == 0)
            continue;
        const QString sid = sidText(const_cast<DWORD *>(&allowed->SidStart));
        if (sid != user && !isSystemAccount(sid) && !standsForTheOwner(sid))
            return true;
    }
    return false;
}

// The owner and access list from the file's own security information; a
// handle serves files and folders alike and asks the volume that really
// holds them.
Owner ownerOnDisk(const QString &path)
{
    const HANDLE handle = CreateFileW(wide(QDir::toNativeSeparators(path)), READ_CONTROL,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return { true, {}, true };
    Owner owner;
    DWORD volumeFlags = 0;
    if (GetVolumeInformationByHandleW(
            handle, nullptr, 0, nullptr, nullptr, &volumeFlags, nullptr, 0)
        && (volumeFlags & FILE_PERSISTENT_ACLS) == 0) {
        owner.kept = false;
    } else {
        PSID sid = nullptr;
        PACL rules = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        owner.othersMayWrite = true;
        if (GetSecurityInfo(handle, SE_FILE_OBJECT,
                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &sid, nullptr, &rules,
                nullptr, &descriptor)
            == ERROR_SUCCESS) {
            owner.sid = sidText(sid);
            owner.othersMayWrite = othersMayWrite(rules);
        }
        LocalFree(descriptor);
    }
    CloseHandle(handle);
    return owner;
}

// Whose files the user's settings may come from: the user's own and the
// system accounts', and only when nobody else may change them. A volume
// without owners has nobody else to ask.
bool trusted(const Owner &owner)
{
    if (!owner.kept)
        return true;
    if (owner.sid.isEmpty() || owner.othersMayWrite)
        return false;
    return owner.sid == currentUser() || isSystemAccount(owner.sid);
}

// The text of a string value under the key, read in the 64-bit view where
// the installer of a 64-bit program writes.
std::optional<QString> registryText(HKEY root, const QString &key, const wchar_t *name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, wide(key), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened)
        != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<QString> text;
    DWORD size = 0;
    if (RegGetValueW(opened, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size)
        == ERROR_SUCCESS) {
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        size = DWORD(value.size() * sizeof(wchar_t));
        if (RegGetValueW(opened, nullptr, name, RRF_RT_REG_SZ, nullptr, value.data(), &size)
            == ERROR_SUCCESS)
            text = QString::fromWCharArray(value.c_str());
    }
    RegCloseKey(opened);
    return text;
}

// A folder's name as the file system compares it: one kind of separator,
// none at the end but for a drive's root, without regard to case.
QString comparable(const QString &folder)
{
    return QDir::toNativeSeparators(QDir::cleanPath(folder)).toCaseFolded();
}

// Whether `path` is `folder` or lies inside it.
bool isWithin(const QString &path, const QString &folder)
{
    const QString inner = comparable(path);
    QString outer = comparable(folder);
    if (outer.isEmpty())
        return false;
    if (inner == outer)
        return true;
    if (!outer.endsWith(u'\\'))
        outer += u'\\';
    return inner.startsWith(outer);
}

// The folders the entry of that name in the installed-programs list records,
// for all users and for the current one.
QStringList installLocationsOfTheSystem(const QString &entry)
{
    const QString key = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"_s + entry;
    QStringList locations;
    for (const HKEY root : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER }) {
        if (const std::optional<QString> location = registryText(root, key, L"InstallLocation"))
            locations.append(*location);
    }
    return locations;
}

} // namespace

SystemFacts &systemFacts()
{
    static SystemFacts facts {
        programFoldersOfTheSystem,
        installLocationsOfTheSystem,
        [] { return knownFolder(FOLDERID_RoamingAppData); },
        ownerOnDisk,
    };
    return facts;
}

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

// An installed copy is the one in the folder the installer recorded, wherever
// the user chose it to be, for all users or for the current one; a copy taken
// elsewhere is portable there. Anything under a Programs folder counts as
// installed too, however it got there.
bool isInstallFolder(const QString &folder, const QString &installEntry)
{
    const SystemFacts &facts = systemFacts();
    for (const QString &programs : facts.programFolders()) {
        if (isWithin(folder, programs))
            return true;
    }
    for (const QString &location : facts.installLocations(installEntry)) {
        if (!location.trimmed().isEmpty() && comparable(folder) == comparable(location.trimmed()))
            return true;
    }
    return false;
}

// As on other systems the user must own the folder: here its owner is the
// user, or an account that could change the program itself. The folder's
// read-only mark says nothing about writing on Windows; a real write decides
// (writeWorks).
bool userOwnsWritableFolder(const QString &folder)
{
    const DWORD attributes = GetFileAttributesW(wide(QDir::toNativeSeparators(folder)));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && trusted(systemFacts().ownerOf(folder));
}

bool trustedFile(const QString &path)
{
    if (GetFileAttributesW(wide(QDir::toNativeSeparators(path))) == INVALID_FILE_ATTRIBUTES
        && (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
        return true;
    return trusted(systemFacts().ownerOf(path));
}

bool writeWorks(const QString &file)
{
    const QString probe = QDir::toNativeSeparators(scratchName(file));
    // Never redirected into a virtual store: the program runs as the invoker.
    const HANDLE made = CreateFileW(wide(probe), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (made == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool wrote
        = WriteFile(made, "x", 1, &written, nullptr) && written == 1 && FlushFileBuffers(made);
    CloseHandle(made);
    return wrote;
}

// The user's application-data folder: %APPDATA%\Tolvaro.
std::optional<QString> userConfigFolder(const QString &application)
{
    const std::optional<QString> appData = systemFacts().appDataFolder();
    if (!appData || appData->isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(*appData + u'/' + application);
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
