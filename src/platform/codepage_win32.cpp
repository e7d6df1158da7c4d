#include "platform/codepage.h"

#include <stdexcept>
#include <string>

#include <windows.h>

// The system's own conversion to and from its ANSI code page (936 on the
// systems the program is made for).
namespace platform {

QByteArray toAnsi(QStringView text)
{
    if (text.isEmpty())
        return {};
    const auto *units = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    // A character the code page cannot hold becomes one "?", a surrogate pair
    // included; the system's default character differs between code pages.
    const int size = WideCharToMultiByte(CP_ACP, 0, units, length, nullptr, 0, "?", nullptr);
    QByteArray result(size, Qt::Uninitialized);
    WideCharToMultiByte(CP_ACP, 0, units, length, result.data(), size, "?", nullptr);
    return result;
}

QString fromAnsi(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const int length = int(bytes.size());
    const int size
        = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (size == 0)
        throw std::runtime_error(
            "bytes not valid in the ANSI code page (" + std::to_string(GetACP()) + ")");
    QString result(size, Qt::Uninitialized);
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length,
        reinterpret_cast<wchar_t *>(result.data()), size);
    return result;
}

} // namespace platform
