#include "search/pagescan.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

// The byte scan of a result page, held against the plain pipeline: decode,
// lower-case, find the needle, count the entries before it, or tell whether
// the page holds any entry when the needle is not there. The first input
// byte is the length of the site prefix (UTF-8) that follows it; the rest is
// the page.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto *bytes = reinterpret_cast<const char *>(data);
    const qsizetype prefixLength = std::min(qsizetype(data[0]), qsizetype(size) - 1);
    const QString prefix = QString::fromUtf8(bytes + 1, prefixLength);
    const QByteArray page(bytes + 1 + prefixLength, qsizetype(size) - 1 - prefixLength);

    const PageScan scan = scanPage(page, prefix);
    const PageScan expected = scanPagePlain(page, prefix);
    if (scan.hit != expected.hit || scan.entriesBefore != expected.entriesBefore
        || scan.hasEntry != expected.hasEntry)
        std::abort();
    return 0;
}
