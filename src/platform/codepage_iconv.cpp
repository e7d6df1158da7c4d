#include "platform/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

// The narrow code page of the systems the program is made for.
constexpr char ansiName[] = "CP936";
constexpr const char *utf16Name = (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) ? "UTF-16LE" : "UTF-16BE";

class Converter
{
public:
    Converter(const char *to, const char *from)
        : m_handle(iconv_open(to, from))
    {
        if (m_handle == iconv_t(-1))
            throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
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

QByteArray toAnsi(QStringView text)
{
    Converter converter(ansiName, utf16Name);
    QByteArray result;
    // A character takes at most two bytes in the code page and at least one unit in UTF-16.
    result.resize(2 * text.size());
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

QString fromAnsi(QByteArrayView bytes)
{
    Converter converter(utf16Name, ansiName);
    QString result;
    // Every character of the code page lies in the Basic Multilingual Plane and takes at
    // least one byte, so one unit per byte is always enough.
    result.resize(bytes.size());
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *out = reinterpret_cast<char *>(result.data());
    size_t outLeft = size_t(result.size()) * 2;
    if (inLeft > 0 && converter.convert(&in, &inLeft, &out, &outLeft) == size_t(-1)) {
        const qsizetype position = bytes.size() - qsizetype(inLeft);
        throw std::runtime_error(
            "bytes not valid in code page 936 at offset " + std::to_string(position));
    }
    result.truncate((out - reinterpret_cast<char *>(result.data())) / 2);
    return result;
}

} // namespace platform
