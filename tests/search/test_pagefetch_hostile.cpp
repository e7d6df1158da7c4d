#include "platform/http.h"
#include "search/pagefetch.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// Servers that misbehave: within the short limits below each fetch ends with
// the empty text or with the decoded body, and the next fetch still works.
namespace {

// GetHtmlByXml with short limits: the same request and the same decoding.
QString fetchText(const QString &url)
{
    platform::HttpLimits limits;
    limits.connectTimeout = 1000ms;
    limits.stallTimeout = 1s;
    limits.totalTimeout = 2s;
    platform::HttpRequest request(limits);
    if (!request.open(url))
        return QString();
    const std::optional<QByteArray> body = request.send();
    return body ? BytesToText(*body, u"UTF-8"_s) : QString();
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

TEST(HostilePeers, EachFetchEndsAndTheNextStillWorks)
{
    const QString bad(QChar::ReplacementCharacter);
    const struct
    {
        const char *path;
        int status;
        std::string body;
        QString text;
    } pages[] = {
        { "/page", 200, u"<p>页面</p>"_s.toStdString(), u"<p>页面</p>"_s },
        { "/missing", 404, u"<h1>找不到</h1>"_s.toStdString(), u"<h1>找不到</h1>"_s },
        { "/broken", 500, u"<h1>出错了</h1>"_s.toStdString(), u"<h1>出错了</h1>"_s },
        { "/latin1", 200, "caf\xe9 na\xefve", u"caf"_s + bad + u" na"_s + bad + u"ve"_s },
        { "/cut-character", 200, "\xe7\xbd", bad + bad },
        { "/surrogate", 200, "a\xed\xa0\x80z", u"a"_s + bad.repeated(3) + u"z"_s },
        { "/overlong", 200, "\xc0\xaf", bad.repeated(2) },
        { "/nul", 200, std::string("a\0b", 3), QString(u"a\0b"_s) },
        // Announced, and over the limit on bodies.
        { "/forty-megabytes", 200, std::string(40u << 20, 'a'), QString() },
    };
    TestServer server([&pages](httplib::Server &http, TestServer &self) {
        for (const auto &c : pages) {
            http.Get(c.path, [&c](const httplib::Request &, httplib::Response &response) {
                response.status = c.status;
                response.set_content(c.body, "text/html");
            });
        }
        http.Get("/silent", [&self](const httplib::Request &, httplib::Response &) {
            self.waitForShutdown(1min);
        });
        http.Get("/headers-then-stall", pieces(self, "x", 1, 1min));
        // Never quiet long enough to count as stalled: the whole-request limit ends it.
        http.Get("/drip", pieces(self, "x", size_t(-1), 100ms));
        http.Get("/endless", pieces(self, std::string(256 * 1024, 'b'), size_t(-1), 0ms));
        http.Get("/a", [](const httplib::Request &, httplib::Response &r) { r.set_redirect("/b"); });
        http.Get("/b", [](const httplib::Request &, httplib::Response &r) { r.set_redirect("/a"); });
        http.Get("/to-file", [](const httplib::Request &, httplib::Response &r) {
            r.set_redirect("file:///etc/passwd");
        });
        http.Get("/no-target", [](const httplib::Request &, httplib::Response &r) { r.status = 302; });
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

    std::vector<std::pair<const char *, QString>> cases;
    for (const auto &c : pages)
        cases.emplace_back(c.path, c.text);
    for (const char *path : { "/silent", "/headers-then-stall", "/drip", "/endless", "/a", "/to-file",
             "/no-target", "/not-gzip", "/cut-short" })
        cases.emplace_back(path, QString());
    for (const auto &[path, text] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(fetchText(server.url(QString::fromLatin1(path))), text);
        EXPECT_EQ(GetHtmlByXml(server.url(u"/page"_s)), u"<p>页面</p>"_s);
    }
    // The redirect loop ends after ten redirects: eleven requests in all.
    EXPECT_EQ(server.targets().count(u"/a"_s) + server.targets().count(u"/b"_s), 11);
}

} // namespace
