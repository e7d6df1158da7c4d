#pragma once

#include <QString>

namespace platform {

// A name beside `path` for a file of the program's own (a save's new content,
// a test of writing): the name with a random ending of ASCII letters and
// digits, so that it lies in the same folder, shows whose it is, and a name
// that the code page holds still does. Another each time.
QString scratchName(const QString &path);

} // namespace platform
