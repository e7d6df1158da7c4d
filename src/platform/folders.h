#pragma once

#include <QByteArray>

#include <optional>

// The program's own folder and who may write a folder, in the file system's
// own terms: names are bytes, never text that a conversion could change.
namespace platform {

// The folder of the running program as the file system names it (no
// separator at its end but for the root folder), or nothing when the system
// does not tell.
std::optional<QByteArray> programFolder();

// Whether the permission bits of the folder let the current user write in
// it, read for the user's own class (owner, group or others), so that the
// superuser is judged like anyone else. False when it is no folder.
bool userMayWrite(const QByteArray &folder);

} // namespace platform
