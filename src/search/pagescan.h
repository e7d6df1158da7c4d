#pragma once

#include <QByteArrayView>
#include <QStringView>

// Opens every result entry of a result page.
inline constexpr QStringView ITEM_MARKER = u"<li class=g><h3 class=r>";
// ITEM_MARKER and the opening of the entry's link, just before its address.
inline constexpr QStringView RESULT_MARKER = u"<li class=g><h3 class=r><a href=\"";

// What a result page says about the site: whether some entry links to an
// address that starts with the site prefix, and how many entries come before
// the first such link; and whether the page lists any result at all.
//
// The page text is lower-cased, the needle RESULT_MARKER + site prefix is
// looked for exactly (the prefix as typed, so an upper-case letter in it never
// matches), and the entries are the non-overlapping ITEM_MARKER occurrences
// before the hit, counted left to right.
struct PageScan
{
    bool hit = false;
    qsizetype entriesBefore = 0; // 0 without a hit
    // Some ITEM_MARKER stands anywhere in the page; always so with a hit.
    bool hasEntry = false;
};

// Scans the page body as it came over the wire (UTF-8, possibly malformed)
// without decoding it. Gives exactly what scanPagePlain gives.
PageScan scanPage(QByteArrayView page, QStringView sitePrefix);

// The straightforward pipeline the scan is held against, and that it hands a
// prefix with non-ASCII characters to: QString::fromUtf8, toLower(),
// indexOf(needle), then counting ITEM_MARKER (or, without a hit, looking for
// one).
PageScan scanPagePlain(QByteArrayView page, QStringView sitePrefix);
