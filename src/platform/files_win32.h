#pragma once

#include <QString>

#include <functional>

// What the Windows side adds to files.h for the system's own settings-file
// functions, which rewrite a file in place.
namespace platform {

// Changes a file as a whole through `edit`, which changes a copy of it by
// the copy's name (an empty file when there is no file yet): the copy is made
// beside the file and takes its place in one step, keeping the file's marks
// and permissions, so that an interrupted save leaves the old content or the
// new. The file stays as it was (or absent) when `edit` fails or changes
// nothing, and when the copy cannot be made or put in its place. Returns
// what `edit` returned, or false when the copy failed.
bool editThroughCopy(const QString &path, const std::function<bool(const QString &copy)> &edit);

} // namespace platform
