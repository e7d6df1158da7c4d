#pragma once

#include <QString>

#include <optional>

// The facts about folders that decide where the settings file lies. Names are
// text that keeps every byte the file system uses (see files.h), so a folder
// named in any encoding is found again under its own name.
namespace platform {

// The running program's folder (no separator at its end but for the root
// folder), or nothing when the system does not tell.
std::optional<QString> programFolder();

// Whether a program in this folder is an installed copy, shared by every user
// of the machine: the folder the build installs to (the package: /usr/bin);
// on Windows the folder the installer recorded in its entry of the
// installed-programs list (`installEntry` names it), wherever that is, or any
// folder under a Programs folder.
bool isInstallFolder(const QString &folder, const QString &installEntry);

// Whether the folder is the user's to keep settings in. POSIX: the current
// user owns it and its owner may write it by its permission bits, so that the
// superuser is judged like anyone else. Windows: its owner is the user, the
// Administrators, the system account or TrustedInstaller and its access list
// lets nobody else write in it, or its volume keeps no owners (FAT, exFAT);
// the read-only mark of a folder says nothing there. False when it is no
// folder.
bool userOwnsWritableFolder(const QString &folder);

// Whether the file's settings can be trusted: not one that another user put
// into a folder that everyone may write, nor one that another user may
// change. POSIX: it belongs to the current user, to the owner of its folder
// or to the superuser, and so does each symbolic link on the way to it
// (links_posix.h); a link that leads nowhere is not trusted. Windows: its
// owner is the user, the Administrators, the system account or
// TrustedInstaller, and its access list lets nobody else write it; or its
// volume keeps no owners. True when nothing has that name.
bool trustedFile(const QString &path);

// Whether a write really works where `file` would lie: a file of its own
// beside it (scratchName) is made, written and removed (the bits do not tell
// a read-only mount or a full disk).
bool writeWorks(const QString &file);

// The user's own folder for the settings of `application`, named as the
// platform's users expect (~/.config/tolvaro, %APPDATA%\Tolvaro), or nothing
// when the user has no usable home. Only names it; makeUserFolder makes it.
std::optional<QString> userConfigFolder(const QString &application);

// Makes the folder and any missing folder above it, each for the current
// user alone. True when it is a folder afterwards.
bool makeUserFolder(const QString &folder);

} // namespace platform
