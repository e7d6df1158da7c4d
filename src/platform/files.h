#pragma once

#include <QString>

#include <functional>

class QFile;
class QIODevice;

// File operations on names given as text. Every name the file system can hold
// has a text that comes back to the same name: where QFile would convert the
// name (and lose what is no text of the system's encoding), these use the
// name itself.
namespace platform {

// Whether an ordinary file of that name exists; a folder, a device or a pipe
// does not count.
bool fileExists(const QString &path);

// Whether the permission bits of the file or folder let anyone write it (the
// bits themselves, not what the current user may do, so that a write-protected
// file is left alone even by a user whom the system would let write).
bool hasWriteBit(const QString &path);

enum class OpenResult { Opened, Missing, Failed };

// Opens an ordinary file for reading as `file`. Missing when nothing has that
// name; Failed when it is no ordinary file (never waits on a pipe) or cannot
// be opened.
OpenResult openForReading(const QString &path, QFile &file);

// Replaces the file whole with what `write` puts into the device, so that an
// interrupted save leaves the old content or the new; keeps an existing file's
// permission bits. False, and the file as it was, when the file exists and is
// not writable, the new file cannot be made, or `write` or the disk fails.
bool replaceFile(const QString &path, const std::function<bool(QIODevice &)> &write);

} // namespace platform
