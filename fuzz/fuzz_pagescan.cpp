#include "search/pagescan.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

// The byte scan and the text scan of a result page, held against the plain
// pipeline written out here once more: decode, lower-case, find the needle,
// count the entries before it. The first input byte is the length of the site
// prefix (UTF-8) that follows it; the rest is the page.
namespace {

PageScan plainScan(const QByteArray &page, const QString &prefix)
{
    const QString text = QString::fromUtf8(page).toLower();
    const QString item = QStringLiteral("<li class=g><h3 class=r>");
    const qsizetype hit = text.indexOf(item + QStringLiteral("<a href=\"") + prefix);
    if (hit < 0)
        return {};
    const QString before = text.left(hit);
    qsizetype entries = 0;
    for (qsizetype at = before.indexOf(item); at >= 0; at = before.indexOf(item, at + item.size()))
        ++entries;
    return { true, entries };
}

bool same(const PageScan &a, const PageScan &b)
{
    return a.hit == b.hit && a.entriesBefore == b.entriesBefore;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto *bytes = reinterpret_cast<const char *>(data);
    const qsizetype prefixLength = std::min(qsizetype(data[0]), qsizetype(size) - 1);
    const QString prefix = QString::fromUtf8(bytes + 1, prefixLength);
    const QByteArray page(bytes + 1 + prefixLength, qsizetype(size) - 1 - prefixLength);

    const PageScan expected = plainScan(page, prefix);
    if (!same(scanPage(page, prefix), expected))
        std::abort();
    if (!same(scanPageText(QString::fromUtf8(page), prefix), expected))
        std::abort();
    return 0;
}
