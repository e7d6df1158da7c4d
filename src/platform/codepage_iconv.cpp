#include "platform/codepage.h"

#include "platform/codepage_system.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

constexpr const char *utf16Name = (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) ? "UTF-16LE" : "UTF-16BE";

// The C library's name for a code page that Windows numbers.
std::string iconvName(CodePage codePage)
{
    return codePage == utf8CodePage ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

class Converter
{
public:
    Converter(const std::string &to, const std::string &from)
        : m_handle(iconv_open(to.c_str(), from.c_str()))
    {
        if (m_handle == iconv_t(-1))
            throw std::runtime_error("no conversion from " + from + " to " + to);
    }
    ~Converter() { iconv_close(m_handle); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts as much as fits; returns -1 with errno set when it stops early.
    size_t convert(char **in, size_t *inLeft, char **out, size_t *outLeft)
    {
        return iconv(m_handle, in, inLeft, out, outLeft);
    }

private:
    iconv_t m_handle;
};

// The UTF-16 units the character at position i takes: 2 for a surrogate pair.
qsizetype unitsAt(QStringView text, qsizetype i)
{
    return (i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) ? 2
                                                                                              : 1;
}

} // namespace

CodePage ansiCodePage()
{
    return 936;
}

QByteArray toAnsi(QStringView text, CodePage codePage)
{
    Converter converter(iconvName(codePage), utf16Name);
    QByteArray result;
    // A UTF-16 unit takes at most three bytes in UTF-8 (a pair four), and at
    // most two in any other code page Windows uses as its ANSI one.
    result.resize((codePage == utf8CodePage ? 3 : 2) * text.size());
    char *in = const_cast<char *>(reinterpret_cast<const char *>(text.utf16()));
    size_t inLeft = size_t(text.size()) * 2;
    char *out = result.data();
    size_t outLeft = size_t(result.size());
    while (inLeft > 0) {
        if (converter.convert(&in, &inLeft, &out, &outLeft) != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            throw std::runtime_error("code page conversion failed");
        // A character the code page cannot hold (or a lone surrogate) becomes one "?".
        const qsizetype position = text.size() - qsizetype(inLeft / 2);
        const qsizetype units = unitsAt(text, position);
        *out++ = '?';
        --outLeft;
        in += units * 2;
        inLeft -= size_t(units) * 2;
    }
    result.truncate(out - result.data());
    return result;
}

QString fromAnsi(QByteArrayView bytes, CodePage codePage)
{
    Converter converter(utf16Name, iconvName(codePage));
    QString result;
    // Every character takes at least one byte, and no more UTF-16 units than
    // bytes (a character beyond the Basic Multilingual Plane: four and two).
    result.resize(bytes.size());
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *out = reinterpret_cast<char *>(result.data());
    size_t outLeft = size_t(result.size()) * 2;
    if (inLeft > 0 && converter.convert(&in, &inLeft, &out, &outLeft) == size_t(-1)) {
        const qsizetype position = bytes.size() - qsizetype(inLeft);
        throw std::runtime_error("bytes not valid in code page " + std::to_string(codePage)
            + " at offset " + std::to_string(position));
    }
    result.truncate((out - reinterpret_cast<char *>(result.data())) / 2);
    return result;
}

// A byte that the conversion, given it alone, finds to be the incomplete
// start of a character.
std::bitset<256> systemLeadBytes(CodePage codePage)
{
    std::bitset<256> leads;
    try {
        Converter converter(utf16Name, iconvName(codePage));
        for (int byte = 0x80; byte <= 0xff; ++byte) {
            char input = char(byte);
            char output[8];
            char *in = &input;
            size_t inLeft = 1;
            char *out = output;
            size_t outLeft = sizeof output;
            leads[size_t(byte)]
                = converter.convert(&in, &inLeft, &out, &outLeft) == size_t(-1) && errno == EINVAL;
            // Forget the byte that waits for its second one.
            converter.convert(nullptr, nullptr, nullptr, nullptr);
        }
    } catch (const std::runtime_error &) {
    }
    return leads;
}

} // namespace platform
