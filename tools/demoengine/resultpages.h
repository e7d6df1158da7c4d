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
// the entry at its rank; every other entry links elsewhere.
class DemoResultPages
{
public:
    explicit DemoResultPages(const DemoEngineOptions &options);

    // The UTF-8 page for the keyword and the result offset (0, 10, 20...).
    QByteArray page(const QString &keyword, int start) const;

private:
    QByteArray build(const QString &keyword, int start, const QByteArray &padding) const;

    QString m_site;
    int m_siteRank;
    QByteArray m_padding;
};
