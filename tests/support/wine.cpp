#include "support/wine.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

bool underWine()
{
#ifdef _WIN32
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

bool skipUnderWine(QByteArrayView row, const char *wineDiffers)
{
    if (wineDiffers == nullptr || !underWine())
        return false;
    QByteArray name;
    for (const char c : row.first(std::min<qsizetype>(row.size(), 60))) {
        if (c >= ' ' && c <= '~' && c != '\\')
            name += c;
        else
            name += "\\x" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
    }
    std::printf("[ SKIPPED  ] under Wine: \"%s\": %s\n", name.constData(), wineDiffers);
    std::fflush(stdout);
    return true;
}
