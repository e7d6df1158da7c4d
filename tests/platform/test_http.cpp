#include "platform/http.h"
#include "support/rawserver.h"
#include "support/testserver.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

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
        // A host name beyond ASCII goes in its ASCII form, port and user kept.
        { u"HTTP://例子.example/路"_s, "HTTP://xn--fsqu00a.example/%E8%B7%AF" },
        { u"https://u@Bücher.example:8443?q=1"_s, "https://u@xn--bcher-kva.example:8443?q=1" },
        { u"http://[::1]:9090/s?q=网"_s, "http://[::1]:9090/s?q=%E7%BD%91" },
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

// With a proxy set, every loopback address is asked directly: a proxy could
// not reach this machine's own servers, and the keyword is no business of it.
// Other hosts do go through the proxy, which here refuses them.
TEST(Proxy, LoopbackAddressesBypassIt)
{
    TestServer proxy([](httplib::Server &http, TestServer &) {
        http.Get(".*",
            [](const httplib::Request &, httplib::Response &response) { response.status = 502; });
    });
    TestServer local([](httplib::Server &http, TestServer &) {
        http.Get("/search", [](const httplib::Request &, httplib::Response &response) {
            response.set_content("ok", "text/html");
        });
    });
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    RawServer second(ok, u"127.0.0.2"_s);
    RawServer distant(ok, u"127.1.2.3"_s);

    const char *const proxyVariables[] = { "http_proxy", "no_proxy", "NO_PROXY" };
    std::vector<std::optional<QByteArray>> saved;
    for (const char *name : proxyVariables)
        saved.push_back(
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    const auto restore = qScopeGuard([&] {
        for (size_t i = 0; i < saved.size(); ++i) {
            if (saved[i])
                qputenv(proxyVariables[i], *saved[i]);
            else
                qunsetenv(proxyVariables[i]);
        }
    });
    qputenv("http_proxy", proxy.url(QString()).toUtf8());
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");

    const QString localPort = local.url(QString()).section(u':', 2);
    for (const QString &address : { local.url(u"/search"_s), second.url(u"/search"_s),
             distant.url(u"/search"_s), u"http://localhost:"_s + localPort + u"/search"_s }) {
        SCOPED_TRACE(address.toStdString());
        platform::HttpRequest request;
        ASSERT_TRUE(request.open(address));
        const platform::HttpResponse response = request.send();
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body, QByteArray("ok"));
    }
    EXPECT_EQ(second.answered(), 1);
    EXPECT_EQ(distant.answered(), 1);
    EXPECT_EQ(proxy.targets(), QStringList());

    platform::HttpRequest request;
    ASSERT_TRUE(request.open(u"http://www.example.com/search"_s));
    EXPECT_EQ(request.send().status, 502);
    EXPECT_EQ(proxy.targets(), QStringList { u"http://www.example.com/search"_s });
}

} // namespace
