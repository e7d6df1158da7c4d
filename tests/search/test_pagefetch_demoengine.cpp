#include "demoengine/demoengine.h"
#include "demoengine/resultpages.h"
#include "search/pagefetch.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString itemMarker = u"<li class=g><h3 class=r>"_s;
const QString resultMarker = itemMarker + u"<a href=\""_s;

struct Found
{
    int rank = 0;
    int pages = 0;
};

// Walks the engine's pages as the rank search reads them (lower-cased page,
// result marker right before the site, entries counted before the hit).
Found findSite(const DemoEngine &engine, const QString &keyword, const QString &site)
{
    Found found;
    for (int start = 0; start <= 200; start += 10) {
        const QString page
            = GetHtmlByXml(engine.origin() + u"/search?hl=zh-CN&newwindow=1&sa=N&q="_s + keyword
                + u"&start="_s + QString::number(start))
                  .toLower();
        ++found.pages;
        const qsizetype hit = page.indexOf(resultMarker + site);
        if (hit >= 0) {
            found.rank = int(QStringView(page).first(hit).count(itemMarker)) + start + 1;
            return found;
        }
    }
    return found;
}

TEST(DemoEngine, ListsTheKnownSiteAtItsRank)
{
    const struct
    {
        int rank;
        qsizetype pageBytes;
        QString keyword;
    } cases[] = {
        { 25, 0, u"网站排名查询"_s },
        { 1, 0, u"a"_s },
        { 10, 0, u"C# 教程"_s },
        { 11, 0, u"100%"_s },
        { 25, 300000, u"网站"_s },
        { 37, 0, QString() },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rank);
        DemoEngineOptions options;
        options.siteRank = c.rank;
        options.pageBytes = c.pageBytes;
        const DemoEngine engine(options);

        const Found found = findSite(engine, c.keyword, options.site);
        EXPECT_EQ(found.rank, c.rank);
        EXPECT_EQ(found.pages, (c.rank - 1) / 10 + 1);
        EXPECT_EQ(engine.requests().size(), found.pages);
    }
}

TEST(DemoEngine, PagesLookLikeRealResultPages)
{
    DemoEngineOptions options;
    options.pageBytes = 200000;
    const DemoEngine engine(options);
    const QString keyword = u"网站 排名"_s;
    const QString page = GetHtmlByXml(
        engine.origin() + u"/search?hl=zh-CN&newwindow=1&sa=N&q="_s + keyword + u"&start=20"_s);
    const QByteArray bytes = page.toUtf8();

    // The page went out compressed; it arrives as the engine built it.
    EXPECT_EQ(bytes, DemoResultPages(options).page(keyword, 20));
    EXPECT_NEAR(double(bytes.size()), 200000.0, 20000.0);
    // Ten entries, all behind the long head of scripts and styles.
    const QString lower = page.toLower();
    EXPECT_EQ(lower.count(itemMarker), 10);
    EXPECT_GT(lower.indexOf(itemMarker), page.size() * 8 / 10);
    EXPECT_TRUE(page.contains(u"<title>"_s + keyword));
    EXPECT_EQ(engine.requests(),
        QStringList { u"/search?hl=zh-CN&newwindow=1&sa=N&q=%E7%BD%91%E7%AB%99%20"
                      "%E6%8E%92%E5%90%8D&start=20"_s });
}

} // namespace
