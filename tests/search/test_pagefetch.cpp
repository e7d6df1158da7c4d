#include "platform/http.h"
#include "search/pagefetch.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <optional>
#include <string>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString chineseText = u"网站排名查询：搜索结果第一页，共十条。"_s;

std::string utf8(const QString &text)
{
    return text.toStdString();
}

// windowBits 31 gives a gzip stream, 15 a zlib ("deflate") stream.
std::string compress(const std::string &data, int windowBits)
{
    z_stream stream {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, uLong(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

void serveText(
    httplib::Server &server, const std::string &path, int status, const std::string &body)
{
    server.Get(path, [status, body](const httplib::Request &, httplib::Response &response) {
        response.status = status;
        response.set_content(body, "text/html; charset=utf-8");
    });
}

TEST(GetHtmlByXml, ReturnsTheDecodedBodyWhateverTheStatus)
{
    // Long enough for multi-byte characters to straddle the pieces the body
    // arrives in.
    QString longPage;
    for (int i = 0; i < 20000; ++i)
        longPage += chineseText;

    const struct
    {
        const char *path;
        int status;
        QString body;
    } cases[] = {
        { "/ok", 200, u"<html>"_s + chineseText + u"</html>"_s },
        { "/long", 200, longPage },
        { "/missing", 404, u"<h1>404 页面不存在</h1>"_s },
        { "/broken", 500, u"<h1>服务器内部错误</h1>"_s },
        { "/empty", 200, QString() },
    };
    TestServer server([&](httplib::Server &http, TestServer &) {
        for (const auto &c : cases)
            serveText(http, c.path, c.status, utf8(c.body));
    });

    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetHtmlByXml(server.url(QString::fromLatin1(c.path))), c.body);
    }
}

TEST(GetHtmlByXml, UnpacksCompressedBodies)
{
    const std::string page = utf8(u"<html>"_s + chineseText.repeated(50) + u"</html>"_s);
    TestServer server([&](httplib::Server &http, TestServer &) {
        const struct
        {
            const char *path;
            const char *encoding;
            int windowBits;
        } encodings[] = { { "/gzip", "gzip", 31 }, { "/deflate", "deflate", 15 } };
        for (const auto &e : encodings) {
            const std::string body = compress(page, e.windowBits);
            const std::string encoding = e.encoding;
            http.Get(
                e.path, [body, encoding](const httplib::Request &, httplib::Response &response) {
                    response.set_header("Content-Encoding", encoding);
                    // A type the server library would not compress a second time.
                    response.set_content(body, "application/octet-stream");
                });
        }
    });

    EXPECT_EQ(GetHtmlByXml(server.url(u"/gzip"_s)).toStdString(), page);
    EXPECT_EQ(GetHtmlByXml(server.url(u"/deflate"_s)).toStdString(), page);
}

TEST(GetHtmlByXml, FollowsUpToTenRedirects)
{
    // /hop/N redirects to /hop/N-1, /hop/0 to the page.
    TestServer server([](httplib::Server &http, TestServer &) {
        http.Get(R"(/hop/(\d+))", [](const httplib::Request &request, httplib::Response &response) {
            const int n = std::stoi(request.matches[1]);
            response.set_redirect(n > 0 ? "/hop/" + std::to_string(n - 1) : "/landing");
        });
        serveText(http, "/landing", 200, utf8(chineseText));
    });

    EXPECT_EQ(GetHtmlByXml(server.url(u"/hop/0"_s)), chineseText);
    EXPECT_EQ(GetHtmlByXml(server.url(u"/hop/9"_s)), chineseText);
    EXPECT_EQ(GetHtmlByXml(server.url(u"/hop/10"_s)), QString());
}

TEST(GetHtmlByXml, AddressesThatCannotBeRequestedGiveTheEmptyText)
{
    const QString addresses[] = {
        QString(),
        u"ht tp://127.0.0.1/"_s,
        u"javascript:x"_s,
        u"ftp://127.0.0.1/"_s,
        u"http://"_s,
        u"http:// /search"_s,
        u"file:///etc/passwd"_s,
        u"网站排名"_s,
    };
    for (const QString &address : addresses) {
        SCOPED_TRACE(address.toStdString());
        QString text = u"unchanged"_s;
        EXPECT_NO_THROW(text = GetHtmlByXml(address));
        EXPECT_EQ(text, QString());
    }
}

TEST(GetHtmlByXml, UnreachableHostGivesTheEmptyText)
{
    QString closed;
    {
        TestServer server([](httplib::Server &, TestServer &) {});
        closed = server.url(u"/search?q=x"_s);
    }
    EXPECT_EQ(GetHtmlByXml(closed), QString());
}

TEST(GetHtmlByXml, SendsTheAddressPercentEncodedAsUtf8)
{
    TestServer server(
        [](httplib::Server &http, TestServer &) { serveText(http, "/search", 200, "ok"); });
    const QString address = server.url(u"/search?q=网站 排名#1&start=10"_s);
    const QString copy = address;

    EXPECT_EQ(GetHtmlByXml(address), u"ok"_s);
    EXPECT_EQ(address, copy);
    ASSERT_EQ(server.targets().size(), 1);
    EXPECT_EQ(server.targets().first(),
        u"/search?q=%E7%BD%91%E7%AB%99%20%E6%8E%92%E5%90%8D%231&start=10"_s);
}

TEST(GetHtmlByXml, ReusesTheConnectionForTheNextPage)
{
    TestServer server(
        [](httplib::Server &http, TestServer &) { serveText(http, "/search", 200, "page"); });
    EXPECT_EQ(GetHtmlByXml(server.url(u"/search?start=0"_s)), u"page"_s);
    EXPECT_EQ(GetHtmlByXml(server.url(u"/search?start=10"_s)), u"page"_s);
    EXPECT_EQ(GetHtmlByXml(server.url(u"/search?start=20"_s)), u"page"_s);
    EXPECT_EQ(server.targets().size(), 3);
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(WireAddress, EncodesWhatCannotStandRawAndKeepsTheRest)
{
    const struct
    {
        QString address;
        QByteArray wire;
    } cases[] = {
        { u"http://h/s?q=a b&start=0"_s, "http://h/s?q=a%20b&start=0" },
        { u"http://h/s?q=C#&start=0"_s, "http://h/s?q=C%23&start=0" },
        { u"http://h/s?q=100%"_s, "http://h/s?q=100%25" },
        { u"http://h/s?q=%zz%4"_s, "http://h/s?q=%25zz%254" },
        { u"http://h/s?q=%E7%BD%91+x"_s, "http://h/s?q=%E7%BD%91+x" },
        { u"http://h/s?q=\"<x>\""_s, "http://h/s?q=%22%3Cx%3E%22" },
        { u"http://h#top"_s, "http://h/%23top" },
        { u"HTTP://例子.example/路"_s, "HTTP://例子.example/%E8%B7%AF" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        EXPECT_EQ(platform::HttpRequest::wireAddress(c.address), c.wire);
    }
}

// Limits made small so that hostile servers fail quickly.
platform::HttpLimits shortLimits()
{
    platform::HttpLimits limits;
    limits.connectTimeout = 1000ms;
    limits.stallTimeout = 1s;
    limits.maxBodyBytes = 1000;
    return limits;
}

std::optional<QByteArray> fetch(const QString &url)
{
    platform::HttpRequest request(shortLimits());
    if (!request.open(url))
        return std::nullopt;
    return request.send();
}

TEST(HttpRequest, BodyOverTheLimitFails)
{
    TestServer server([](httplib::Server &http, TestServer &) {
        serveText(http, "/at-limit", 200, std::string(1000, 'x'));
        serveText(http, "/announced", 200, std::string(1001, 'x'));
        // Without a length the limit is noticed while the body arrives.
        http.Get("/chunked", [](const httplib::Request &, httplib::Response &response) {
            response.set_chunked_content_provider(
                "text/html", [](size_t offset, httplib::DataSink &sink) {
                    if (offset >= 4000) {
                        sink.done();
                    } else {
                        const std::string piece(400, 'y');
                        sink.write(piece.data(), piece.size());
                    }
                    return true;
                });
        });
    });

    EXPECT_EQ(fetch(server.url(u"/at-limit"_s)), QByteArray(1000, 'x'));
    EXPECT_EQ(fetch(server.url(u"/announced"_s)), std::nullopt);
    EXPECT_EQ(fetch(server.url(u"/chunked"_s)), std::nullopt);
}

TEST(HttpRequest, StalledServerFails)
{
    TestServer server([](httplib::Server &http, TestServer &self) {
        http.Get("/silent", [&self](const httplib::Request &, httplib::Response &response) {
            self.waitForShutdown(60s);
            response.set_content("late", "text/plain");
        });
        http.Get("/halfway", [&self](const httplib::Request &, httplib::Response &response) {
            // Not a text type, so that the first piece goes out uncompressed.
            response.set_chunked_content_provider(
                "application/octet-stream", [&self](size_t offset, httplib::DataSink &sink) {
                    if (offset > 0) {
                        self.waitForShutdown(60s);
                        return false;
                    }
                    sink.write("<html>", 6);
                    return true;
                });
        });
    });

    EXPECT_EQ(fetch(server.url(u"/silent"_s)), std::nullopt);
    EXPECT_EQ(fetch(server.url(u"/halfway"_s)), std::nullopt);
}

TEST(BytesToText, DecodesUtf8LikeTheRestOfTheProgram)
{
    const QString replacement(QChar::ReplacementCharacter);
    const struct
    {
        QByteArray bytes;
        QString text;
    } cases[] = {
        { QByteArray(), QString() },
        { "\xEF\xBB\xBF", QString() },
        { "\xEF\xBB\xBF<html>", u"<html>"_s },
        { "a\xEF\xBB\xBF"
          "b",
            u"a\uFEFFb"_s },
        { chineseText.toUtf8(), chineseText },
        { "a\xFF"
          "b",
            u"a"_s + replacement + u"b"_s },
        { QByteArray("x\0y", 3), QString(u"x\0y"_s) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        EXPECT_EQ(BytesToText(c.bytes, u"UTF-8"_s), c.text);
    }
}

} // namespace
