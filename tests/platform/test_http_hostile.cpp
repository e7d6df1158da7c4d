#include "platform/http.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// Servers that misbehave: within the short limits below each request ends,
// with the body or as a failure, and the next request still works.
namespace {

// One GET; nothing when the address is refused or the exchange fails.
std::optional<QByteArray> get(const QString &url, const platform::HttpLimits &limits)
{
    platform::HttpRequest request(limits);
    if (!request.open(url))
        return std::nullopt;
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

    std::vector<std::pair<const char *, std::optional<QByteArray>>> cases;
    for (const auto &c : pages)
        cases.emplace_back(c.path, QByteArray::fromStdString(c.body));
    // A redirect without a target is an answer: its own, empty, body.
    cases.emplace_back("/no-target", QByteArray());
    for (const char *path : { "/forty-megabytes", "/silent", "/headers-then-stall", "/drip",
             "/endless", "/a", "/to-file", "/not-gzip", "/cut-short" })
        cases.emplace_back(path, std::nullopt);

    platform::HttpLimits shortLimits;
    shortLimits.connectTimeout = 1000ms;
    shortLimits.stallTimeout = 1s;
    shortLimits.totalTimeout = 2s;
    for (const auto &[path, body] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(get(server.url(QString::fromLatin1(path)), shortLimits), body);
        EXPECT_EQ(get(server.url(u"/page"_s), {}), page);
    }
    // The redirect loop ends after ten redirects: eleven requests in all.
    EXPECT_EQ(server.targets().count(u"/a"_s) + server.targets().count(u"/b"_s), 11);
}

} // namespace
