#include "platform/codepage.h"

#include "platform/codepage_system.h"

#include <optional>
#include <stdexcept>
#include <string>

#include <windows.h>

// The system's own conversion between UTF-16 and a code page.
namespace platform {

namespace {

[[noreturn]] void conversionFailed(const char *what, CodePage codePage)
{
    throw std::runtime_error(std::string(what) + " code page " + std::to_string(codePage)
        + " failed (error " + std::to_string(GetLastError()) + ")");
}

// The text as the system is to convert it: a lone surrogate is no character
// and becomes "?"; so does a character beyond the Basic Multilingual Plane,
// which no ANSI code page but UTF-8 holds, and of which the system would make
// one "?" per unit. Nothing when the text goes to the system as it is.
std::optional<QString> narrowable(QStringView text, CodePage codePage)
{
    std::optional<QString> result;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair
            = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype units = pair ? 2 : 1;
        const bool kept = pair ? codePage == utf8CodePage : !text[i].isSurrogate();
        if (!kept && !result)
            result = text.first(i).toString();
        if (result)
            *result += kept ? text.sliced(i, units) : QStringView(u"?");
        i += units;
    }
    return result;
}

} // namespace

CodePage ansiCodePage()
{
    return GetACP();
}

QByteArray toAnsi(QStringView text, CodePage codePage)
{
    if (text.isEmpty())
        return {};
    const std::optional<QString> replaced = narrowable(text, codePage);
    const QStringView wide = replaced ? QStringView(*replaced) : text;
    const auto *units = reinterpret_cast<const wchar_t *>(wide.utf16());
    const int length = int(wide.size());
    // A character the code page cannot hold becomes "?", never a look-alike
    // (under 936 "Ā" would otherwise be written as "ā"). UTF-8 holds every
    // character and takes neither a flag nor a default character: with
    // either, the system refuses to convert.
    const bool utf8 = codePage == utf8CodePage;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char *defaultChar = utf8 ? nullptr : "?";
    const int size
        = WideCharToMultiByte(codePage, flags, units, length, nullptr, 0, defaultChar, nullptr);
    if (size <= 0)
        conversionFailed("conversion to", codePage);
    QByteArray result(size, Qt::Uninitialized);
    if (WideCharToMultiByte(
            codePage, flags, units, length, result.data(), size, defaultChar, nullptr)
        != size)
        conversionFailed("conversion to", codePage);
    return result;
}

QString fromAnsi(QByteArrayView bytes, CodePage codePage)
{
    if (bytes.isEmpty())
        return {};
    const int length = int(bytes.size());
    const int size
        = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        throw std::runtime_error("bytes not valid in code page " + std::to_string(codePage));
    QString result(size, Qt::Uninitialized);
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length,
            reinterpret_cast<wchar_t *>(result.data()), size)
        != size)
        conversionFailed("conversion from", codePage);
    return result;
}

// The lead-byte ranges the system gives for the code page.
std::bitset<256> systemLeadBytes(CodePage codePage)
{
    std::bitset<256> leads;
    CPINFO info = {};
    if (!GetCPInfo(codePage, &info))
        return leads;
    for (int range = 0; range + 1 < MAX_LEADBYTES && info.LeadByte[range] != 0; range += 2) {
        for (int byte = info.LeadByte[range]; byte <= info.LeadByte[range + 1]; ++byte)
            leads[size_t(byte)] = true;
    }
    return leads;
}

} // namespace platform
