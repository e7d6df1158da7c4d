#include "platform/http.h"
#include "support/rawserver.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// Servers that misbehave: within the short limits below each request ends,
// with the body or as a failure that says why, and the next request still
// works.
namespace {

using platform::HttpFailure;

platform::HttpResponse get(const QString &url, const platform::HttpLimits &limits = {})
{
    platform::HttpRequest request(limits);
    request.open(url);
    return request.send();
}

// Answers with headers, then sends the piece after each pause until the total
// is sent, the client leaves or the server stops. No length is announced.
httplib::Server::Handler pieces(
    const TestServer &self, std::string piece, size_t total, std::chrono::milliseconds pause)
{
    return [&self, piece, total, pause](const httplib::Request &, httplib::Response &response) {
        response.set_chunked_content_provider(
            "text/html", [&self, piece, total, pause](size_t offset, httplib::DataSink &sink) {
                if (self.waitForShutdown(pause))
                    return false;
                if (offset >= total)
                    sink.done();
                return offset >= total || sink.write(piece.data(), piece.size());
            });
    };
}

TEST(HostilePeers, EachRequestEndsAndTheNextStillWorks)
{
    const QByteArray page = u"<p>页面</p>"_s.toUtf8();
    // Bodies come back as sent, whatever the status code and whatever the bytes.
    const struct
    {
        const char *path;
        int status;
        std::string body;
    } pages[] = {
        { "/page", 200, page.toStdString() },
        { "/missing", 404, u"<h1>找不到</h1>"_s.toStdString() },
        { "/broken", 500, u"<h1>出错了</h1>"_s.toStdString() },
        { "/latin1", 200, "caf\xe9 na\xefve" },
    };
    TestServer server([&pages](httplib::Server &http, TestServer &self) {
        for (const auto &c : pages) {
            http.Get(c.path, [&c](const httplib::Request &, httplib::Response &response) {
                response.status = c.status;
                response.set_content(c.body, "text/html");
            });
        }
        // Announced, and over the limit on bodies.
        http.Get("/forty-megabytes", [](const httplib::Request &, httplib::Response &r) {
            r.set_content(std::string(40u << 20, 'a'), "text/html");
        });
        http.Get("/silent",
            [&self](const httplib::Request &, httplib::Response &) { self.waitForShutdown(1min); });
        http.Get("/headers-then-stall", pieces(self, "x", 1, 1min));
        // Never quiet long enough to count as stalled: the whole-request limit ends it.
        http.Get("/drip", pieces(self, "x", size_t(-1), 100ms));
        http.Get("/endless", pieces(self, std::string(256 * 1024, 'b'), size_t(-1), 0ms));
        http.Get(
            "/a", [](const httplib::Request &, httplib::Response &r) { r.set_redirect("/b"); });
        http.Get(
            "/b", [](const httplib::Request &, httplib::Response &r) { r.set_redirect("/a"); });
        http.Get("/to-file", [](const httplib::Request &, httplib::Response &r) {
            r.set_redirect("file:///etc/passwd");
        });
        // Targets whose scheme the library misjudges: it reports javascript:
        // and data: as replies that are not HTTP, and may follow C:/ and a
        // scheme of over 40 letters as paths.
        const std::pair<const char *, const char *> otherSchemes[] = {
            { "/to-javascript", "javascript:alert(1)" },
            { "/to-data", "data:text/html,<p>x</p>" },
            { "/to-drive", "C:/Windows/win.ini" },
            { "/to-long-scheme", "a-scheme-longer-than-forty-letters.example.invalid:x" },
        };
        for (const auto &[path, target] : otherSchemes) {
            http.Get(path, [target](const httplib::Request &, httplib::Response &r) {
                r.set_redirect(target);
            });
        }
        http.Get(
            "/no-target", [](const httplib::Request &, httplib::Response &r) { r.status = 302; });
        http.Get("/not-gzip", [](const httplib::Request &, httplib::Response &r) {
            r.set_header("Content-Encoding", "gzip");
            r.set_content("not gzipped!", "application/octet-stream");
        });
        // Announces 100 bytes, sends 6 and hangs up.
        http.Get("/cut-short", [](const httplib::Request &, httplib::Response &r) {
            r.set_content_provider(100, "text/html", [](size_t, size_t, httplib::DataSink &sink) {
                sink.write("<html>", 6);
                return false;
            });
        });
    });

    const struct
    {
        const char *path;
        HttpFailure failure;
    } failures[] = {
        { "/forty-megabytes", HttpFailure::TooLarge },
        { "/endless", HttpFailure::TooLarge },
        { "/silent", HttpFailure::Stalled },
        { "/headers-then-stall", HttpFailure::Stalled },
        { "/drip", HttpFailure::Stalled },
        { "/a", HttpFailure::RedirectFailed },
        { "/to-file", HttpFailure::RedirectFailed },
        { "/to-javascript", HttpFailure::RedirectFailed },
        { "/to-data", HttpFailure::RedirectFailed },
        { "/to-drive", HttpFailure::RedirectFailed },
        { "/to-long-scheme", HttpFailure::RedirectFailed },
        { "/not-gzip", HttpFailure::Interrupted },
        { "/cut-short", HttpFailure::Interrupted },
    };

    platform::HttpLimits shortLimits;
    shortLimits.connectTimeout = 1000ms;
    shortLimits.stallTimeout = 1s;
    shortLimits.totalTimeout = 2s;
    shortLimits.maxBodyBytes = 1 << 20;
    const auto expectPage = [&server, &page] {
        const platform::HttpResponse next = get(server.url(u"/page"_s));
        EXPECT_EQ(next.failure, HttpFailure::None);
        EXPECT_EQ(next.body, page);
    };
    for (const auto &c : pages) {
        SCOPED_TRACE(c.path);
        const platform::HttpResponse response = get(server.url(QString::fromLatin1(c.path)));
        EXPECT_EQ(response.failure, HttpFailure::None);
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.body, QByteArray::fromStdString(c.body));
    }
    // A redirect without a target is an answer: its own, empty, body.
    const platform::HttpResponse noTarget = get(server.url(u"/no-target"_s));
    EXPECT_EQ(noTarget.failure, HttpFailure::None);
    EXPECT_EQ(noTarget.status, 302);
    for (const auto &c : failures) {
        SCOPED_TRACE(c.path);
        const platform::HttpResponse response
            = get(server.url(QString::fromLatin1(c.path)), shortLimits);
        EXPECT_EQ(response.failure, c.failure);
        EXPECT_EQ(response.body, QByteArray());
        expectPage();
    }
    // The redirect loop ends after ten redirects: eleven requests in all.
    EXPECT_EQ(server.targets().count(u"/a"_s) + server.targets().count(u"/b"_s), 11);
}

// Replies as they come off the wire: what is no HTTP answer fails as such,
// also behind a redirect, and a redirect that cannot be followed is the answer
// it is, with its status.
TEST(HostilePeers, RepliesThatAreNotHttpFailAsSuch)
{
    RawServer bareHtml("<html><body>ok</body></html>");
    const QByteArray toBareHtml = "HTTP/1.1 302 Found\r\nLocation: " + bareHtml.url(u"/"_s).toUtf8()
        + "\r\nContent-Length: 0\r\n\r\n";
    const struct
    {
        const char *name;
        QByteArray reply;
        HttpFailure failure;
        int status;
    } cases[] = {
        { "no status line", "<html><body>ok</body></html>", HttpFailure::NotHttp, 0 },
        { "status not a number", "HTTP/1.1 abc\r\nContent-Length: 2\r\n\r\nok",
            HttpFailure::NotHttp, 0 },
        { "another protocol", "ICY 200 OK\r\nContent-Length: 2\r\n\r\nok", HttpFailure::NotHttp,
            0 },
        { "four-digit status", "HTTP/1.1 2000 OK\r\nContent-Length: 2\r\n\r\nok",
            HttpFailure::NotHttp, 0 },
        { "redirect to a peer that is not HTTP", toBareHtml, HttpFailure::NotHttp, 302 },
        { "redirect with a blank target",
            "HTTP/1.1 301 Moved\r\nLocation:   \r\nContent-Length: 2\r\n\r\nok", HttpFailure::None,
            301 },
        // The first target that is not blank counts, in any letter case.
        { "redirect to javascript: after a blank target",
            "HTTP/1.1 302 Found\r\nlocation: \r\nLOCATION:  JavaScript:void(0)\r\n"
            "Content-Length: 0\r\n\r\n",
            HttpFailure::RedirectFailed, 302 },
        // Targets that are no usable address: the answer came whole, and
        // asking again cannot help.
        { "redirect to no host", "HTTP/1.1 302 Found\r\nLocation: http://\r\n\r\n",
            HttpFailure::RedirectFailed, 302 },
        { "redirect to an address cut short", "HTTP/1.1 302 Found\r\nLocation: http://[::1\r\n\r\n",
            HttpFailure::RedirectFailed, 302 },
        { "redirect to a port out of range",
            "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:99999/\r\n\r\n",
            HttpFailure::RedirectFailed, 302 },
        { "redirect with a tab in the scheme",
            "HTTP/1.1 302 Found\r\nLocation: ht\ttp://127.0.0.1/\r\n\r\n",
            HttpFailure::RedirectFailed, 302 },
        { "redirect with a control character in the scheme",
            "HTTP/1.1 302 Found\r\nLocation: h\x01ttp://127.0.0.1/\r\n\r\n",
            HttpFailure::RedirectFailed, 302 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server(c.reply);
        const platform::HttpResponse response = get(server.url(u"/search"_s));
        EXPECT_EQ(response.failure, c.failure);
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.body, c.failure == HttpFailure::None ? "ok" : QByteArray());
    }
}

// Where no server answers: the failure names the peer that was tried.
TEST(HostilePeers, UnreachablePeersAreNamed)
{
    QString closed;
    {
        TestServer server([](httplib::Server &, TestServer &) {});
        closed = server.url(u"/search"_s);
    }
    const quint16 closedPort = quint16(closed.section(u':', 2).section(u'/', 0, 0).toUInt());
    const struct
    {
        QString address;
        HttpFailure failure;
        QString host;
        int port;
    } cases[] = {
        { closed, HttpFailure::CannotConnect, u"127.0.0.1"_s, closedPort },
        { u"http://"_s + unresolvableHost() + u"/search"_s, HttpFailure::CannotConnect,
            unresolvableHost(), 80 },
        { u"ftp://127.0.0.1/"_s, HttpFailure::BadAddress, QString(), 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        const platform::HttpResponse response = get(c.address);
        EXPECT_EQ(response.failure, c.failure);
        EXPECT_EQ(response.status, 0);
        EXPECT_EQ(response.host, c.host);
        EXPECT_EQ(response.port, c.port);
    }
}

} // namespace
