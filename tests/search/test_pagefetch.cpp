#include "localserver/deflate.h"
#include "platform/http.h"
#include "search/pagefetch.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

// The page fetch against well-behaved servers. How the request copes with
// servers that stall, break the protocol, loop or send too much is tested
// with the platform's request.
namespace {

const QString chineseText = u"网站排名查询：搜索结果第一页，共十条。"_s;

std::string compress(const std::string &data, DeflateFormat format)
{
    return deflateBytes(QByteArray::fromStdString(data), format).toStdString();
}

// The body comes back byte for byte as the server meant it, unpacked where it
// was packed: the search scans these bytes as they are, whatever they hold.
TEST(GetBodyByXml, ReturnsTheBodyAsSent)
{
    const std::string page = (u"<html>"_s + chineseText + u"</html>"_s).toStdString();
    const std::string repeated = chineseText.repeated(50).toStdString();
    // Long enough for multi-byte characters to straddle the pieces the body arrives in.
    const std::string longPage = chineseText.repeated(20000).toStdString();
    const struct
    {
        const char *path;
        std::string body;
        const char *encoding; // Content-Encoding, if any
        std::string bytes;
    } cases[] = {
        { "/ok", page, nullptr, page },
        { "/long", longPage, nullptr, longPage },
        { "/empty", "", nullptr, "" },
        { "/gzip", compress(repeated, DeflateFormat::Gzip), "gzip", repeated },
        { "/deflate", compress(repeated, DeflateFormat::Zlib), "deflate", repeated },
        // Neither a byte order mark nor malformed UTF-8 nor a NUL byte is
        // touched on the way.
        { "/bom", "\xEF\xBB\xBF<html>", nullptr, "\xEF\xBB\xBF<html>" },
        { "/latin1", "caf\xe9 na\xefve", nullptr, "caf\xe9 na\xefve" },
        { "/cut-character", "\xe7\xbd", nullptr, "\xe7\xbd" },
        { "/nul", std::string("a\0b", 3), nullptr, std::string("a\0b", 3) },
    };
    TestServer server([&cases](httplib::Server &http, TestServer &) {
        for (const auto &c : cases) {
            http.Get(c.path, [&c](const httplib::Request &, httplib::Response &response) {
                if (c.encoding)
                    response.set_header("Content-Encoding", c.encoding);
                // A packed body goes as a type the server library would not pack a second time.
                response.set_content(
                    c.body, c.encoding ? "application/octet-stream" : "text/html; charset=utf-8");
            });
        }
        // /hop/N redirects to /hop/N-1, /hop/0 to /ok.
        http.Get(R"(/hop/(\d+))", [](const httplib::Request &request, httplib::Response &response) {
            const int n = std::stoi(request.matches[1]);
            response.set_redirect(n > 0 ? "/hop/" + std::to_string(n - 1) : "/ok");
        });
    });

    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const PageBody body = GetBodyByXml(server.url(QString::fromLatin1(c.path)));
        EXPECT_EQ(body.bytes, QByteArray::fromStdString(c.bytes));
        EXPECT_EQ(body.status, 200);
        EXPECT_EQ(body.failure, QString());
    }
    // Ten redirects are followed; an endless loop fails (tests/platform).
    EXPECT_EQ(GetBodyByXml(server.url(u"/hop/9"_s)).bytes, QByteArray::fromStdString(page));
}

// Nothing typed into the boxes may end the program: an address that cannot
// be requested is refused before anything goes out, and fails like any other,
// with a cause the status line can show.
TEST(GetBodyByXml, AddressesThatCannotBeFetchedFailWithTheirCause)
{
    QString closed;
    QString closedPeer;
    {
        TestServer server([](httplib::Server &, TestServer &) {});
        closed = server.url(u"/search?q=x"_s);
        closedPeer = server.url(QString()).sliced(7);
    }
    const QString refused[] = {
        QString(),
        u"ht tp://127.0.0.1/"_s,
        u"javascript:x"_s,
        u"ftp://127.0.0.1/"_s,
        u"http://"_s,
        u"http:// /search"_s,
        u"file:///etc/passwd"_s,
        u"网站排名"_s,
    };
    for (const QString &address : refused) {
        SCOPED_TRACE(address.toStdString());
        EXPECT_FALSE(platform::HttpRequest().open(address));
        const PageBody page = GetBodyByXml(address);
        EXPECT_EQ(page.bytes, QByteArray());
        EXPECT_EQ(page.failure, u"地址无效"_s);
    }
    const PageBody page = GetBodyByXml(closed);
    EXPECT_EQ(page.failure, u"无法连接 "_s + closedPeer);
    EXPECT_EQ(page.status, 0);
    EXPECT_EQ(page.bytes, QByteArray());
}

} // namespace
