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
    // A character the code page cannot hold becomes one "?". The system
    // gives one per unit, so a character beyond the Basic Multilingual Plane
    // (which code page 936 has none of) is one "?" before the conversion.
    QString narrowable;
    const QStringView source = text;
    for (qsizetype i = 0; i < source.size(); ++i) {
        if (source[i].isHighSurrogate() && i + 1 < source.size()
            && source[i + 1].isLowSurrogate()) {
            if (narrowable.isNull())
                narrowable = source.first(i).toString();
            narrowable += u'?';
            ++i;
        } else if (!narrowable.isNull()) {
            narrowable += source[i];
        }
    }
    const QStringView wide = narrowable.isNull() ? source : QStringView(narrowable);
    const auto *units = reinterpret_cast<const wchar_t *>(wide.utf16());
    const int length = int(wide.size());
    // The system's default character differs between code pages: "?" is asked for.
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
