#include "demoengine/demoengine.h"
#include "search/pagefetch.h"
#include "search/ranksearch.h"
#include "searchdoubles.h"
#include "startup/modpub.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A whole search over real HTTP against the local demo engine, through each
// of the two page fetches the search can be given.
TEST(RankSearchAgainstDemoEngine, FindsTheSiteAtItsRank)
{
    for (const bool bytes : { true, false }) {
        SCOPED_TRACE(bytes ? "body fetch" : "text fetch");
        DemoEngineOptions options;
        options.siteRank = 25;
        options.pageBytes = 50'000;
        const DemoEngine engine(options);
        modPub::strSearchHost = engine.origin();

        WindowDouble window;
        window.keyWord = u"网站 排名"_s;
        window.url = options.site;
        window.page = u"20"_s;
        ShellDouble shell;
        RankSearch search = bytes ? RankSearch(window, RankSearch::BodyFetch(&GetBodyByXml), shell)
                                  : RankSearch(window, RankSearch::Fetch(&GetHtmlByXml), shell);
        search.run();

        EXPECT_EQ(window.result, u"25"_s);
        EXPECT_EQ(window.statuses.last(), u"状态:已经发现，位置:25"_s);
        const QString query = u"/search?hl=zh-CN&newwindow=1&sa=N&q="
                              "%E7%BD%91%E7%AB%99%20%E6%8E%92%E5%90%8D&start="_s;
        EXPECT_EQ(
            engine.requests(), QStringList({ query + u'0', query + u"10"_s, query + u"20"_s }));
    }
}

} // namespace
