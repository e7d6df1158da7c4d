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

// Whether the build installs programs to this folder (the package: /usr/bin):
// a program there is an installed copy, shared by every user of the machine.
bool isInstallFolder(const QString &folder);

// Whether the current user owns the folder and its owner may write it by its
// permission bits, so that the superuser is judged like anyone else. False
// when it is no folder.
bool userOwnsWritableFolder(const QString &folder);

// Whether the file belongs to the current user, to the owner of its folder or
// to the superuser: not one that another user put into a folder that everyone
// may write. Its settings can be trusted only then.
bool trustedFile(const QString &path);

// Whether a write really works in the folder: a file of its own is made,
// written and removed (the bits do not tell a read-only mount or a full disk).
bool writeWorks(const QString &folder);

// The user's own folder for the program's settings, named as the platform's
// users expect (~/.config/tolvaro, %APPDATA%\Tolvaro), or nothing when the
// user has no usable home. Only names it; makeUserFolder makes it.
std::optional<QString> userConfigFolder();

// Makes the folder and any missing folder above it, each for the current
// user alone. True when it is a folder afterwards.
bool makeUserFolder(const QString &folder);

} // namespace platform
