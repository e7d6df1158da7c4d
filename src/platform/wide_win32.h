#pragma once

#include <QString>

// Text for the system's wide functions. Qt's UTF-16 units are the system's
// own, so a name goes as it is and nothing of it is lost on the way.
namespace platform {

inline const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace platform
