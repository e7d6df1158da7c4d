#include "localserver/deflate.h"
#include "platform/http.h"
#include "search/pagefetch.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

// Fetches from well-behaved servers. Servers that stall, break the protocol,
// loop, send too much or answer with an error page are in
// test_pagefetch_hostile.cpp.
namespace {

const QString chineseText = u"网站排名查询：搜索结果第一页，共十条。"_s;

std::string compress(const std::string &data, DeflateFormat format)
{
    return deflateBytes(QByteArray::fromStdString(data), format).toStdString();
}

TEST(GetHtmlByXml, ReturnsTheDecodedBody)
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
        QString text;
    } cases[] = {
        { "/ok", page, nullptr, QString::fromStdString(page) },
        { "/long", longPage, nullptr, QString::fromStdString(longPage) },
        { "/empty", "", nullptr, QString() },
        { "/gzip", compress(repeated, DeflateFormat::Gzip), "gzip",
            QString::fromStdString(repeated) },
        { "/deflate", compress(repeated, DeflateFormat::Zlib), "deflate",
            QString::fromStdString(repeated) },
        // A byte order mark at the start is no text; anywhere else it is a character.
        { "/bom", "\xEF\xBB\xBF<html>", nullptr, u"<html>"_s },
        { "/bom-only", "\xEF\xBB\xBF", nullptr, QString() },
        { "/inner-bom",
            "a\xEF\xBB\xBF"
            "b",
            nullptr, u"a\uFEFFb"_s },
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
        EXPECT_EQ(GetHtmlByXml(server.url(QString::fromLatin1(c.path))), c.text);
    }
    // Ten redirects are followed; an endless loop is among the hostile servers.
    EXPECT_EQ(GetHtmlByXml(server.url(u"/hop/9"_s)), QString::fromStdString(page));
}

TEST(GetHtmlByXml, AddressesThatCannotBeFetchedGiveTheEmptyText)
{
    QString closed;
    {
        TestServer server([](httplib::Server &, TestServer &) {});
        closed = server.url(u"/search?q=x"_s);
    }
    const QString addresses[] = {
        closed,
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

// The pages of one search: the keyword goes out percent-encoded as UTF-8,
// and all of them over one connection.
TEST(GetHtmlByXml, SendsEncodedAddressesOverOneConnection)
{
    TestServer server([](httplib::Server &http, TestServer &) {
        http.Get("/search", [](const httplib::Request &, httplib::Response &response) {
            response.set_content("ok", "text/html");
        });
    });
    QStringList expected;
    for (const QString &start : { u"0"_s, u"10"_s, u"20"_s }) {
        EXPECT_EQ(GetHtmlByXml(server.url(u"/search?q=网站 排名#1&start="_s + start)), u"ok"_s);
        expected.append(u"/search?q=%E7%BD%91%E7%AB%99%20%E6%8E%92%E5%90%8D%231&start="_s + start);
    }
    EXPECT_EQ(server.targets(), expected);
    EXPECT_EQ(server.connectionCount(), 1);
}

// Blanks, "#" and characters beyond ASCII are also held by the wire test above
// and by the fuzz target.
TEST(WireAddress, EncodesWhatCannotStandRawAndKeepsTheRest)
{
    const struct
    {
        QString address;
        QByteArray wire;
    } cases[] = {
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

} // namespace
