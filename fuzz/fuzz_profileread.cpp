#include "platform/profile.h"

#include "profilereference.h"
#include "scratchfile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

// Any file, any section and key: a read never writes past its buffer, always
// ends the text with a NUL within it, counts at most size - 1 bytes, and gives
// a prefix of what a larger buffer gives. For plain ASCII names the value
// is the one the reference reading finds.
namespace {

constexpr char defaultText[] = "fallback  ";

struct Read
{
    qint32 count;
    QByteArray text;
};

Read readWith(const QByteArray &section, const QByteArray &key, qint32 size)
{
    // Exactly size bytes, so that the address sanitizer sees any byte written past them.
    const auto buffer = std::make_unique<char[]>(size_t(std::max(size, 1)));
    std::memset(buffer.get(), '\x5a', size_t(std::max(size, 1)));
    const qint32 count = platform::getPrivateProfileString(
        section, key, defaultText, buffer.get(), size, fuzzing::scratchFile());
    if (size == 0) {
        if (count != 0 || buffer[0] != '\x5a')
            std::abort();
        return { 0, {} };
    }
    if (count < 0 || count > size - 1 || buffer[count] != '\0')
        std::abort();
    return { count, QByteArray(buffer.get(), count) };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzing::InputReader input(data, size);
    const qint32 smallSize = input.byte() % 20;
    const QByteArray section = input.bytes(input.byte() % 32);
    const QByteArray key = input.bytes(input.byte() % 32);
    const QByteArray content = input.rest();
    fuzzing::writeScratch(content);

    // Large enough for any value the file can hold.
    const Read whole = readWith(section, key, qint32(content.size()) + 64);
    for (const qint32 bufferSize : { 0, 1, 2, smallSize, 144 }) {
        const Read part = readWith(section, key, bufferSize);
        if (bufferSize > 0 && part.text != whole.text.first(std::min(whole.count, bufferSize - 1)))
            std::abort();
    }

    const QByteArray sectionArgument = reference::argument(section);
    const QByteArray keyArgument = reference::argument(key);
    if (reference::isAscii(sectionArgument) && reference::isAscii(keyArgument)) {
        const std::optional<QByteArray> value
            = reference::lookup(reference::parse(content), sectionArgument, keyArgument);
        if (whole.text != value.value_or(QByteArray("fallback")))
            std::abort();
    }
    return 0;
}
