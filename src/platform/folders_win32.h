#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What Windows says that decides where the settings lie: the folders programs
// are installed to, the folder the installer recorded, the user's
// application-data folder, who owns a file and who else may change it. The rules of folders.h ask
// for these through systemFacts() alone, so that a test can hand them folders, entries and owners
// of its own: a run of the tests on a user's machine never reads or writes that user's settings or
// programs.
namespace platform {

// Who owns a file or folder, and whether others may change it, as its
// security information says.
struct Owner
{
    // False on a volume that keeps no owners (FAT, exFAT): a file there is
    // whoever's holds the drive.
    bool kept = true;
    // The owner's security identifier in text ("S-1-5-18"); empty when it
    // cannot be read.
    QString sid;
    // Whether its access list lets anyone but the user, the Administrators,
    // the system account or TrustedInstaller write it, or write in it (Users,
    // Authenticated Users, Everyone, another user), or it has no access list
    // at all (everyone may do anything), or the list cannot be read.
    bool othersMayWrite = false;
};

struct SystemFacts
{
    // Program Files, its 32-bit twin and the user's own Programs folder.
    std::function<QStringList()> programFolders;
    // The InstallLocation of the installed-programs entry of that name, which
    // an installer writes under HKEY_LOCAL_MACHINE (for all users) or
    // HKEY_CURRENT_USER (for the current user alone), in the 64-bit view: the
    // folders it installed the program to.
    std::function<QStringList(const QString &entry)> installLocations;
    // %APPDATA%, or nothing when the system does not tell.
    std::function<std::optional<QString>()> appDataFolder;
    std::function<Owner(const QString &path)> ownerOf;
};

// The facts the rules read: the system's own unless a test replaced them.
SystemFacts &systemFacts();

} // namespace platform
