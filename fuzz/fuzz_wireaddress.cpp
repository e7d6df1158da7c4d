#include "platform/http.h"
#include "search/searchprefix.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

// Whatever is typed into the keyword box, the page address can be requested
// (open() prepares the request and sends nothing), and what goes on the wire
// after the host is printable ASCII with every "%" starting an escape and no
// "#" that would cut the keyword short; decoding it gives back the typed text.
namespace {

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString keyword
        = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString prefix = searchPrefix(QStringLiteral("127.0.0.1:9"));
    const QString address = prefix + keyword + QStringLiteral("&start=10");

    const QByteArray wire = platform::HttpRequest::wireAddress(address);
    const QByteArray head = prefix.toUtf8();
    if (!wire.startsWith(head) || !wire.endsWith("&start=10"))
        std::abort();
    for (qsizetype i = head.size(); i < wire.size(); ++i) {
        const auto c = uchar(wire[i]);
        if (c <= 0x20 || c >= 0x7f || c == '#')
            std::abort();
        if (c == '%' && !(i + 2 < wire.size() && isHex(wire[i + 1]) && isHex(wire[i + 2])))
            std::abort();
    }
    // Without a "%" typed, decoding the wire gives back the typed text exactly.
    const QByteArray typed = keyword.toUtf8();
    const QByteArray sent = wire.sliced(head.size(), wire.size() - head.size() - 9);
    if (!typed.contains('%') && QByteArray::fromPercentEncoding(sent) != typed)
        std::abort();

    platform::HttpRequest request;
    if (!request.open(address))
        std::abort();
    return 0;
}
