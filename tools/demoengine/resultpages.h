#pragma once

#include "demoengine/demoengine.h"

#include <QByteArray>
#include <QString>

// The demo engine's result pages, built without any server, so that page
// scans can also be measured on them directly.
//
// A page looks like a real one: a long head of inline style and script, then
// ten entries near the end, each opened by "<li class=g><h3 class=r>" (some
// in upper-case markup), with Chinese titles and snippets. The known site is
// the entry at its rank; every other entry links elsewhere. With a number of
// results, the page that holds the last one ends there, and the pages after
// it hold no entry.
class DemoResultPages
{
public:
    explicit DemoResultPages(const DemoEngineOptions &options);

    // The UTF-8 page for the keyword and the result offset (0, 10, 20...).
    QByteArray page(const QString &keyword, int start) const;
    // The same page as a gzip stream. The padding, the bulk of a large page,
    // is compressed once; only the rest is compressed for each page, so that
    // the engine stays cheap beside the client it serves.
    QByteArray gzippedPage(const QString &keyword, int start) const;

private:
    // What comes before and after the padding.
    struct Parts
    {
        QByteArray head;
        QByteArray body;
    };
    Parts parts(const QString &keyword, int start) const;

    QString m_site;
    int m_siteRank;
    int m_results;
    QByteArray m_padding;
    QByteArray m_packedPadding;
    quint32 m_paddingCrc = 0;
};
