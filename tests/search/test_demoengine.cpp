#include "demoengine/demoengine.h"
#include "demoengine/resultpages.h"
#include "search/pagefetch.h"
#include "search/ranksearch.h"
#include "startup/modpub.h"
#include "support/coreapp.h"
#include "support/doubles.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

// Whole searches over real HTTP against the local demo engine.
namespace {

const QString query = u"/search?hl=zh-CN&newwindow=1&sa=N&q="_s;
const QString itemMarker = u"<li class=g><h3 class=r>"_s;

// With a number of results, the site is found within them; past them the
// search ends on the first page without entries.
TEST(DemoEngine, SearchFindsTheKnownSiteAtItsRank)
{
    ensureCoreApplication();
    const struct
    {
        int rank;
        qsizetype pageBytes;
        QString keyWord;
        QString sent; // the keyword as it reaches the engine
        int results; // below 0: no end
    } cases[] = {
        { 25, 50'000, u"网站 排名"_s, u"%E7%BD%91%E7%AB%99%20%E6%8E%92%E5%90%8D"_s, -1 },
        { 1, 0, u"a"_s, u"a"_s, -1 },
        { 10, 0, u"C# 教程"_s, u"C%23%20%E6%95%99%E7%A8%8B"_s, -1 },
        { 11, 0, u"100%"_s, u"100%25"_s, -1 },
        { 25, 300'000, u"网站"_s, u"%E7%BD%91%E7%AB%99"_s, -1 },
        { 37, 0, QString(), QString(), -1 },
        { 25, 0, u"a"_s, u"a"_s, 25 },
        { 25, 50'000, u"a"_s, u"a"_s, 24 },
        { 25, 0, u"a"_s, u"a"_s, 20 },
        { 1, 0, u"a"_s, u"a"_s, 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.keyWord.toStdString());
        DemoEngineOptions options;
        options.siteRank = c.rank;
        options.pageBytes = c.pageBytes;
        options.results = c.results;
        const DemoEngine engine(options);
        modPub::strSearchHost = engine.origin();
        WindowDouble window;
        window.keyWord = c.keyWord;
        window.url = options.site;
        window.page = u"20"_s;
        ShellDouble shell;
        RankSearch(window, &GetBodyByXml, shell).run();

        const bool listed = c.results < 0 || c.rank <= c.results;
        const int lastStart = listed ? (c.rank - 1) / 10 * 10 : (c.results + 9) / 10 * 10;
        const QString rank = QString::number(c.rank);
        EXPECT_EQ(window.result, listed ? rank : QString());
        EXPECT_EQ(window.statuses.last(),
            listed ? u"状态:已经发现，位置:"_s + rank
                   : u"状态:第"_s + QString::number(lastStart / 10 + 1) + u"页没有检索结果"_s);
        QStringList requests;
        for (int start = 0; start <= lastStart; start += 10)
            requests.append(query + c.sent + u"&start="_s + QString::number(start));
        EXPECT_EQ(engine.requests(), requests);
    }
}

TEST(DemoEngine, PagesLookLikeRealResultPages)
{
    DemoEngineOptions options;
    options.pageBytes = 200000;
    const DemoEngine engine(options);
    const QString keyword = u"网站 排名"_s;
    const QByteArray bytes = GetBodyByXml(engine.origin() + query + keyword + u"&start=20"_s).bytes;
    const QString page = QString::fromUtf8(bytes);

    // The page went out compressed; it arrives as the engine built it.
    EXPECT_EQ(bytes, DemoResultPages(options).page(keyword, 20));
    EXPECT_NEAR(double(bytes.size()), 200000.0, 20000.0);
    // Ten entries, all behind the long head of scripts and styles.
    const QString lower = page.toLower();
    EXPECT_EQ(lower.count(itemMarker), 10);
    EXPECT_GT(lower.indexOf(itemMarker), page.size() * 8 / 10);
    EXPECT_TRUE(page.contains(u"<title>"_s + keyword));
}

// A port that another server listens on is refused, in the library and by
// the program, and so is a stray argument: the program says why and ends
// with an error, instead of serving beside another engine or on another port.
TEST(DemoEngine, RefusesATakenPortAndAStrayArgument)
{
    ensureCoreApplication();
    const DemoEngine first;
    DemoEngineOptions options;
    options.port = first.port();
    EXPECT_THROW(DemoEngine { options }, std::runtime_error);

    const QString port = QString::number(first.port());
    const struct
    {
        QStringList arguments;
        QString message;
    } cases[] = {
        { { u"--port"_s, port }, u"cannot listen on 127.0.0.1:"_s + port },
        { { u"9090"_s }, u"unexpected argument \"9090\""_s },
        { { u"--quiet"_s, u"extra"_s }, u"unexpected argument \"extra\""_s },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        QProcess program;
        program.start(QString::fromUtf8(TOLVARO_DEMOENGINE_PROGRAM), c.arguments);
        if (!program.waitForFinished(20'000)) {
            program.kill();
            program.waitForFinished();
            ADD_FAILURE() << "still running";
            continue;
        }
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(program.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(program.readAllStandardError()).contains(c.message));
    }
    EXPECT_EQ(first.requests(), QStringList());
}

// Started without options, the engine lists the site the program asks for at
// its first start, so that a newcomer's first search finds a rank.
TEST(DemoEngine, ListsTheProgramsDefaultSite)
{
    modPub::SetDefaultSettings();
    EXPECT_EQ(DemoEngineOptions().site, modPub::strKeyUrl);
}

} // namespace
