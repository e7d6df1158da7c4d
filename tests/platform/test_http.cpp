#include "platform/http.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// The address as it goes out. Servers that misbehave are in
// test_http_hostile.cpp.
namespace {

// Blanks, "#" and characters beyond ASCII are also held by the wire test below
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

// The pages of one search: the keyword goes out percent-encoded as UTF-8,
// and all of them over one connection.
TEST(WireAddress, SendsEncodedAddressesOverOneConnection)
{
    TestServer server([](httplib::Server &http, TestServer &) {
        http.Get("/search", [](const httplib::Request &, httplib::Response &response) {
            response.set_content("ok", "text/html");
        });
    });
    QStringList expected;
    for (const QString &start : { u"0"_s, u"10"_s, u"20"_s }) {
        platform::HttpRequest request;
        ASSERT_TRUE(request.open(server.url(u"/search?q=网站 排名#1&start="_s + start)));
        EXPECT_EQ(request.send().body, QByteArray("ok"));
        expected.append(u"/search?q=%E7%BD%91%E7%AB%99%20%E6%8E%92%E5%90%8D%231&start="_s + start);
    }
    EXPECT_EQ(server.targets(), expected);
    EXPECT_EQ(server.connectionCount(), 1);
}

} // namespace
