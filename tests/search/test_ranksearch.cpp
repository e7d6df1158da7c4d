#include "platform/http.h"
#include "search/pagefetch.h"
#include "search/ranksearch.h"
#include "startup/modpub.h"
#include "support/coreapp.h"
#include "support/doubles.h"
#include "support/rawserver.h"
#include "support/testserver.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

PageBody read(const QByteArray &bytes, int status = 200)
{
    return { bytes, status, QString() };
}

class RankSearchTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
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
                const qint64 start = address.sliced(address.lastIndexOf(u'=') + 1).toLongLong();
                return pages.value(start, read(entries(10)));
            },
            shell);
        return *m_search;
    }

    WindowDouble window;
    ShellDouble shell;
    // By start value; a missing page lists ten results, none of them the site.
    QHash<qint64, PageBody> pages;
    QStringList requests;
    std::unique_ptr<RankSearch> m_search;
};

TEST_F(RankSearchTest, FindsTheRankOnTheThirdPage)
{
    pages[0] = read(entries(10));
    pages[10] = read(entries(10));
    pages[20] = read(entries(4) + entries(1, site.toUtf8()));
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
    pages[0] = read(entries(10)); // the other two are alike
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
        // Entries in upper-case markup alone are result entries all the same.
        { site, "<LI CLASS=G><H3 CLASS=R><A HREF=\"HTTP://O/\">O</A>", QString() },
        { site,
            "<LI CLASS=G><H3 CLASS=R><A HREF=\"HTTP://O/\">O</A>"
            "<LI CLASS=G><H3 CLASS=R><A HREF=\"HTTP://WWW.SITE.EXAMPLE/\">S</A>",
            u"2"_s },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.prefix.toStdString());
        reset();
        window.url = c.prefix;
        window.page = u"1"_s;
        pages[0] = read(c.page);
        search().run();
        EXPECT_EQ(window.result, c.rank);
        EXPECT_EQ(window.statuses.last(),
            c.rank.isEmpty() ? u"状态:未发现"_s : u"状态:已经发现，位置:"_s + c.rank);
    }
}

// The box unticked is the worked example above; ticked or greyed, the page
// opens, as it went out: a host name beyond ASCII in its ASCII form.
TEST_F(RankSearchTest, OpensTheResultPageWhenTheOptionIsTicked)
{
    const struct
    {
        QString host;
        QString opened;
    } cases[] = {
        { QString(), prefix + u"ABC&start=10"_s },
        { u"https://例子.example:9090"_s,
            u"https://xn--fsqu00a.example:9090/search?hl=zh-CN&newwindow=1&sa=N&q=ABC&start=10"_s },
    };
    for (const auto &c : cases) {
        for (const int option : { 1, 2 }) {
            SCOPED_TRACE(c.host.toStdString());
            reset();
            modPub::strSearchHost = c.host;
            window.keyWord = u"ABC"_s;
            pages[10] = read(entries(1, site.toUtf8()));
            window.option = option;
            search().run();
            EXPECT_EQ(window.result, u"11"_s);
            EXPECT_EQ(shell.calls, QStringList(u"c0ffee|open|"_s + c.opened + u"|||1"_s));
        }
    }
}

TEST_F(RankSearchTest, ManyPagesNeedNoWrapAround)
{
    window.page = u"3277"_s;
    pages[32770] = read(entries(3) + entries(1, site.toUtf8()));
    search().run();
    EXPECT_EQ(requests.size(), 3278);
    EXPECT_EQ(requests.last(), prefix + u"关键词&start=32770"_s);
    EXPECT_EQ(window.result, u"32774"_s);
}

// A page that could not be read, an error page without the site, a redirect
// that was not followed or a page that lists no result at all ends the run:
// nothing after it is requested, nothing is shown as a rank and nothing
// opens. An error page with the site is a hit like any other. Real exchanges,
// through the fetch the window uses.
TEST_F(RankSearchTest, UnreadPagesOfRealServersEndTheRun)
{
    QString closedHost;
    {
        TestServer server([](httplib::Server &, TestServer &) {});
        closedHost = server.url(QString()).sliced(7);
    }
    // Serves the page of each start value as answer() makes it.
    const auto engine = [](std::function<void(int start, httplib::Response &)> answer) {
        return std::make_unique<TestServer>([answer](httplib::Server &http, TestServer &) {
            http.Get("/search", [answer](const httplib::Request &request, httplib::Response &r) {
                answer(std::stoi(request.get_param_value("start")), r);
            });
        });
    };
    const std::string hit = (entries(2) + entries(1, site.toUtf8())).toStdString();
    RawServer notHttp("<html><body>" + entries(1, site.toUtf8()) + "</body></html>");
    const struct
    {
        const char *name;
        std::unique_ptr<TestServer> server; // none: the host below
        QString host;
        int fetches;
        int serverRequests;
        QString status;
    } cases[] = {
        // The site on page 2 must not become rank 13 when page 1 was never seen.
        { "page 1 cut short", engine([&hit](int start, httplib::Response &r) {
             if (start == 0) {
                 r.set_content_provider(
                     100, "text/html", [](size_t, size_t, httplib::DataSink &sink) {
                         sink.write("<html>", 6);
                         return false;
                     });
             } else {
                 r.set_content(hit, "text/html");
             }
         }),
            QString(), 1, 1, u"状态:第1页读取失败：传输中断"_s },
        { "refused", nullptr, closedHost, 1, 0, u"状态:第1页读取失败：无法连接 "_s + closedHost },
        { "unknown host", nullptr, unresolvableHost(), 1, 0,
            u"状态:第1页读取失败：无法连接 "_s + unresolvableHost() + u":80"_s },
        { "503 on page 2", engine([](int start, httplib::Response &r) {
             r.status = start == 0 ? 200 : 503;
             r.set_content(start == 0 ? entries(10).toStdString() : "busy", "text/html");
         }),
            QString(), 2, 2, u"状态:第2页读取失败：HTTP 503"_s },
        { "error page with the site", engine([&hit](int, httplib::Response &r) {
             r.status = 404;
             r.set_content(hit, "text/html");
         }),
            QString(), 1, 1, u"状态:已经发现，位置:3"_s },
        // Announces more than a page may hold.
        { "over-size", engine([](int, httplib::Response &r) {
             r.set_content_provider(
                 64 << 20, "text/html", [](size_t, size_t, httplib::DataSink &) { return false; });
         }),
            QString(), 1, 1, u"状态:第1页读取失败：页面过大"_s },
        // Page 2 redirects to itself: ten redirects are followed, then the run ends.
        { "redirect loop", engine([](int start, httplib::Response &r) {
             if (start == 0)
                 r.set_content(entries(10).toStdString(), "text/html");
             else
                 r.set_redirect("/search?q=x&start=10");
         }),
            QString(), 2, 1 + 11, u"状态:第2页读取失败：重定向失败"_s },
        // No page was read after the first: not "未发现".
        { "redirect without a target on page 2", engine([](int start, httplib::Response &r) {
             r.status = start == 0 ? 200 : 302;
             r.set_content(start == 0 ? entries(10).toStdString() : "", "text/html");
         }),
            QString(), 2, 2, u"状态:第2页读取失败：HTTP 302"_s },
        // Even when its bytes hold the site, an answer without an HTTP status line is no page.
        { "not HTTP", nullptr, notHttp.host(), 1, 0, u"状态:第1页读取失败：非HTTP响应"_s },
        // A host that serves no result pages, or a consent page served with 200.
        { "no entry on page 1", engine([](int, httplib::Response &r) {
             r.set_content("<html><body><h1>欢迎</h1></body></html>", "text/html");
         }),
            QString(), 1, 1, u"状态:第1页没有检索结果"_s },
        // The engine's results end after two full pages.
        { "no entry on page 3", engine([](int start, httplib::Response &r) {
             r.set_content(
                 start < 20 ? entries(10).toStdString() : "<p>没有更多结果</p>", "text/html");
         }),
            QString(), 3, 3, u"状态:第3页没有检索结果"_s },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        window.option = 1;
        modPub::strSearchHost = c.server ? c.server->url(QString()) : c.host;
        int fetches = 0;
        RankSearch(
            window,
            [&fetches](const QString &address) {
                ++fetches;
                return GetBodyByXml(address);
            },
            shell)
            .run();
        EXPECT_EQ(fetches, c.fetches);
        if (c.server) {
            EXPECT_EQ(c.server->targets().size(), c.serverRequests);
        }
        EXPECT_EQ(window.statuses.last(), c.status);
        EXPECT_EQ(shell.calls.size(), c.status.contains(u"位置"_s) ? 1 : 0);
        if (!c.status.contains(u"位置"_s)) {
            EXPECT_EQ(window.result, QString());
        }
    }
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
        pages[0] = read(entries(10));
        pages[10] = read(entries(2) + entries(1, site.toUtf8()));
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
