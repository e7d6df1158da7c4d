#include "search/ranksearch.h"
#include "startup/modpub.h"
#include "support/doubles.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

// The search over pages that a double serves, as the main window runs it.
namespace {

const QString prefix = u"http://127.0.0.1:8080/search?hl=zh-CN&newwindow=1&sa=N&q="_s;
const QString site = u"http://www.site.example/"_s;

QByteArray entries(int count, const QByteArray &to = "http://other.example/")
{
    QByteArray markup;
    for (int i = 0; i < count; ++i)
        markup += "<li class=g><h3 class=r><a href=\"" + to + QByteArray::number(i) + "\">x</a>";
    return markup;
}

class RankSearchTest : public testing::Test
{
protected:
    void SetUp() override
    {
        modPub::strSearchHost.clear();
        reset();
    }

    // The window as the search finds it before each case; no pages, no calls.
    void reset()
    {
        window = WindowDouble();
        window.keyWord = u"关键词"_s;
        window.url = site;
        window.page = u"20"_s;
        window.result = u"old"_s;
        shell.calls.clear();
        pages.clear();
        requests.clear();
    }

    RankSearch &search()
    {
        m_search = std::make_unique<RankSearch>(
            window,
            [this](const QString &address) {
                requests.append(address);
                return pages.value(address.sliced(address.lastIndexOf(u'=') + 1).toLongLong());
            },
            shell);
        return *m_search;
    }

    WindowDouble window;
    ShellDouble shell;
    QHash<qint64, QByteArray> pages; // by start value; missing pages come back empty
    QStringList requests;
    std::unique_ptr<RankSearch> m_search;
};

TEST_F(RankSearchTest, FindsTheRankOnTheThirdPage)
{
    pages[0] = entries(10);
    pages[10] = entries(10);
    pages[20] = entries(4) + entries(1, site.toUtf8());
    search().run();

    const QStringList addresses { prefix + u"关键词&start=0"_s, prefix + u"关键词&start=10"_s,
        prefix + u"关键词&start=20"_s };
    EXPECT_EQ(requests, addresses);
    EXPECT_EQ(window.result, u"25"_s);
    EXPECT_EQ(window.statuses,
        QStringList({ u"状态:"_s + addresses[0] + u"..."_s, u"状态:"_s + addresses[1] + u"..."_s,
            u"状态:"_s + addresses[2] + u"..."_s, u"已发现，正在分析位置..."_s,
            u"状态:已经发现，位置:25"_s }));
    EXPECT_EQ(window.yields, 5);
    EXPECT_EQ(modPub::strKeyWord, u"关键词"_s);
    EXPECT_EQ(modPub::strKeyUrl, site);
    EXPECT_EQ(modPub::lngMaxPage, 20);
    EXPECT_TRUE(shell.calls.isEmpty());
}

TEST_F(RankSearchTest, WithoutAHitRequestsOneMorePageThanTheCount)
{
    window.keyWord = u"a b&c=d"_s; // the "&" starts a parameter of its own
    window.page = u"2"_s;
    pages[0] = entries(10); // the fetches of the other two pages fail
    search().run();

    EXPECT_EQ(requests,
        QStringList({ prefix + u"a b&c=d&start=0"_s, prefix + u"a b&c=d&start=10"_s,
            prefix + u"a b&c=d&start=20"_s }));
    EXPECT_EQ(window.statuses.last(), u"状态:未发现"_s);
    EXPECT_EQ(window.statuses.size(), 4);
    EXPECT_EQ(window.yields, 4);
    EXPECT_EQ(window.result, QString());
}

TEST_F(RankSearchTest, ReadsThePageBoxLeniently)
{
    const std::pair<QString, int> cases[] = { { u"2.5"_s, 3 }, { u"1 5"_s, 16 }, { QString(), 0 },
        { u"-3"_s, 0 }, { u"&H10"_s, 17 }, { u"99999999999"_s, 0 } };
    for (const auto &[page, count] : cases) {
        SCOPED_TRACE(page.toStdString());
        reset();
        window.page = page;
        search().run();
        EXPECT_EQ(requests.size(), count);
        if (count == 0) {
            EXPECT_TRUE(window.statuses.isEmpty());
            EXPECT_EQ(window.result, QString());
            EXPECT_EQ(modPub::strKeyUrl, site); // the settings are taken all the same
        }
    }
}

TEST_F(RankSearchTest, MatchesTheSitePrefixAsTyped)
{
    const QByteArray first = "<li class=g><h3 class=r><a href=\"";
    const struct
    {
        QString prefix;
        QByteArray page;
        QString rank; // empty: not found
    } cases[] = {
        { u"http://www.Site.example/"_s, entries(2, "http://www.site.example/"), QString() },
        { u"www.site.example/"_s, entries(2, "http://www.site.example/"), QString() },
        { QString(), "<p>" + entries(3), u"1"_s },
        { site, first + "http://www.site.example/", u"1"_s },
        { site, "<li class=g><h3 class=r>no link" + entries(1, "http://www.site.example/"),
            u"2"_s },
        { site, entries(2) + "<LI CLASS=G><H3 CLASS=R><A HREF=\"HTTP://WWW.SITE.EXAMPLE/", u"3"_s },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.prefix.toStdString());
        reset();
        window.url = c.prefix;
        window.page = u"1"_s;
        pages[0] = c.page;
        search().run();
        EXPECT_EQ(window.result, c.rank);
        EXPECT_EQ(window.statuses.last(),
            c.rank.isEmpty() ? u"状态:未发现"_s : u"状态:已经发现，位置:"_s + c.rank);
    }
}

// The box unticked is the worked example above; ticked or greyed, the page opens.
TEST_F(RankSearchTest, OpensTheResultPageWhenTheOptionIsTicked)
{
    window.keyWord = u"ABC"_s;
    pages[10] = entries(1, site.toUtf8());
    for (const int option : { 1, 2 }) {
        window.option = option;
        shell.calls.clear();
        search().run();
        EXPECT_EQ(window.result, u"11"_s);
        EXPECT_EQ(shell.calls, QStringList(u"c0ffee|open|"_s + prefix + u"ABC&start=10|||1"_s));
    }
}

TEST_F(RankSearchTest, ManyPagesNeedNoWrapAround)
{
    window.page = u"3277"_s;
    pages[32770] = entries(3) + entries(1, site.toUtf8());
    search().run();
    EXPECT_EQ(requests.size(), 3278);
    EXPECT_EQ(requests.last(), prefix + u"关键词&start=32770"_s);
    EXPECT_EQ(window.result, u"32774"_s);
}

// A Search click during a yield: the newer run goes to its end and the
// interrupted one leaves everything as the newer run left it.
TEST_F(RankSearchTest, ANewerRunTakesOverAtAYield)
{
    // The first page's yield; after the hit; after the rank is shown.
    for (const int interruptedAt : { 1, 3, 4 }) {
        SCOPED_TRACE(interruptedAt);
        reset();
        window.page = u"1"_s;
        window.option = 1;
        pages[0] = entries(10);
        pages[10] = entries(2) + entries(1, site.toUtf8());
        RankSearch &running = search();
        window.onYield = [&] {
            if (window.yields != interruptedAt)
                return;
            window.url = u"http://nowhere.example/"_s;
            window.page = u"2"_s;
            running.run();
        };
        running.run();
        EXPECT_EQ(window.statuses.last(), u"状态:未发现"_s);
        EXPECT_EQ(window.result, QString());
        EXPECT_EQ(requests.size(), interruptedAt == 1 ? 3 : 2 + 3);
        EXPECT_TRUE(shell.calls.isEmpty());
    }
}

TEST_F(RankSearchTest, AbandonEndsTheRunAtItsYield)
{
    RankSearch &running = search();
    window.onYield = [&] {
        if (window.yields == 2)
            running.abandon();
    };
    running.run();
    EXPECT_EQ(requests.size(), 1);
    EXPECT_EQ(window.statuses.size(), 2);
    EXPECT_EQ(window.result, QString());

    // A window whose search object goes during the yield: the run ends too.
    reset();
    search();
    window.onYield = [this] { m_search.reset(); };
    m_search->run();
    EXPECT_EQ(requests.size(), 0);
    EXPECT_EQ(window.statuses.size(), 1);
}

} // namespace
