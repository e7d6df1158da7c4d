#include "platform/http.h"
#include "search/pagefetch.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// Servers that misbehave: each fetch ends (the suite's time-out would catch
// one that does not) with what the search gets from a failed page, the empty
// text, or with the decoded body; and the next fetch still works.
namespace {

// A server on raw sockets, for peers that break the protocol. Each
// connection gets its own thread running the behaviour, which should return
// once stopping() is true.
class RawServer
{
public:
    using Behaviour = std::function<void(int socket, const RawServer &server)>;

    explicit RawServer(Behaviour behaviour)
        : m_behaviour(std::move(behaviour))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0
            || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0
            || ::listen(m_listener, 16) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            throw std::runtime_error("raw server: cannot listen on 127.0.0.1");
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }

    ~RawServer()
    {
        m_stopping = true;
        m_acceptor.join();
        const std::lock_guard lock(m_mutex);
        for (std::thread &connection : m_connections)
            connection.join();
        ::close(m_listener);
    }

    QString url(const QString &path) const
    {
        return u"http://127.0.0.1:"_s + QString::number(m_port) + path;
    }

    bool stopping() const { return m_stopping; }

    // Waits up to the time given for the socket to become readable, or until the server stops.
    bool waitReadable(int socket, std::chrono::milliseconds limit) const
    {
        for (auto waited = 0ms; waited < limit && !m_stopping; waited += 50ms) {
            pollfd entry { socket, POLLIN, 0 };
            if (::poll(&entry, 1, 50) > 0)
                return true;
        }
        return false;
    }

    // Reads the request up to its blank line; false when the client goes first.
    bool readRequest(int socket) const
    {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            if (!waitReadable(socket, 10s))
                return false;
            const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
            if (got <= 0)
                return false;
            request.append(buffer, size_t(got));
        }
        return true;
    }

    static bool sendAll(int socket, std::string_view data)
    {
        while (!data.empty()) {
            const ssize_t sent = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            data.remove_prefix(size_t(sent));
        }
        return true;
    }

    // Holds the connection open, saying nothing, until the server stops.
    void holdUntilStopped(int socket) const
    {
        char buffer[4096];
        while (!m_stopping) {
            if (waitReadable(socket, 100ms) && ::recv(socket, buffer, sizeof buffer, 0) <= 0)
                return;
        }
    }

private:
    void acceptLoop()
    {
        while (!m_stopping) {
            pollfd entry { m_listener, POLLIN, 0 };
            if (::poll(&entry, 1, 50) <= 0)
                continue;
            const int socket = ::accept(m_listener, nullptr, nullptr);
            if (socket < 0)
                continue;
            const std::lock_guard lock(m_mutex);
            m_connections.emplace_back([this, socket] {
                m_behaviour(socket, *this);
                ::close(socket);
            });
        }
    }

    Behaviour m_behaviour;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping = false;
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::list<std::thread> m_connections;
};

// Short limits, so that the servers that stall fail the fetch within a second or two.
platform::HttpLimits shortLimits()
{
    platform::HttpLimits limits;
    limits.connectTimeout = 1000ms;
    limits.stallTimeout = 1s;
    limits.totalTimeout = 2s;
    return limits;
}

// GetHtmlByXml with the short limits: the same request and the same decoding.
QString fetchText(const QString &url)
{
    platform::HttpRequest request(shortLimits());
    if (!request.open(url))
        return QString();
    const std::optional<QByteArray> body = request.send();
    return body ? BytesToText(*body, u"UTF-8"_s) : QString();
}

// A well-behaved server: after each hostile peer the program must still fetch from it.
class HostilePeers : public testing::Test
{
protected:
    void expectStillUsable()
    {
        EXPECT_EQ(GetHtmlByXml(m_good.url(u"/page"_s)), u"<p>页面</p>"_s);
        EXPECT_EQ(fetchText(m_good.url(u"/page"_s)), u"<p>页面</p>"_s);
    }

    TestServer m_good { [](httplib::Server &server, TestServer &) {
        server.Get("/page", [](const httplib::Request &, httplib::Response &response) {
            response.set_content(u"<p>页面</p>"_s.toStdString(), "text/html; charset=utf-8");
        });
    } };
};

TEST_F(HostilePeers, StallingPeersGiveTheEmptyText)
{
    const struct
    {
        const char *name;
        RawServer::Behaviour behaviour;
    } cases[] = {
        { "accepts and never answers",
            [](int socket, const RawServer &server) { server.holdUntilStopped(socket); } },
        { "headers, then nothing",
            [](int socket, const RawServer &server) {
                if (server.readRequest(socket)
                    && RawServer::sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"))
                    server.holdUntilStopped(socket);
            } },
        { "half a status line, then nothing",
            [](int socket, const RawServer &server) {
                if (server.readRequest(socket) && RawServer::sendAll(socket, "HTTP/1.1 2"))
                    server.holdUntilStopped(socket);
            } },
        // Fast enough never to count as stalled, and never done.
        { "a body that drips forever",
            [](int socket, const RawServer &server) {
                if (!server.readRequest(socket)
                    || !RawServer::sendAll(socket,
                        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                        "Transfer-Encoding: chunked\r\n\r\n"))
                    return;
                while (!server.stopping() && RawServer::sendAll(socket, "1\r\nx\r\n"))
                    std::this_thread::sleep_for(100ms);
            } },
        { "headers that drip forever",
            [](int socket, const RawServer &server) {
                if (!server.readRequest(socket)
                    || !RawServer::sendAll(socket, "HTTP/1.1 200 OK\r\n"))
                    return;
                for (int i = 0; !server.stopping() && RawServer::sendAll(socket, "X-Slow: y\r\n");
                     ++i)
                    std::this_thread::sleep_for(100ms);
            } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server(c.behaviour);
        EXPECT_EQ(fetchText(server.url(u"/search?q=x"_s)), QString());
        expectStillUsable();
    }
}

TEST_F(HostilePeers, BrokenAnswersGiveTheEmptyText)
{
    const struct
    {
        const char *name;
        std::string answer;
    } cases[] = {
        { "a body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<html>" },
        { "not HTTP at all", "SSH-2.0-OpenSSH_9.2\r\n\r\n" },
        { "a status line only", "HTTP/1.1 200 OK" },
        { "a compressed body that does not unpack",
            "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 12\r\n\r\nnot gzipped!" },
        { "a chunk size that is not a number",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n" },
        { "a header line of a megabyte",
            "HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'h')
                + "\r\nContent-Length: 2\r\n\r\nok" },
        { "a redirect without a target", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n" },
        { "a redirect to another scheme",
            "HTTP/1.1 302 Found\r\nLocation: file:///etc/passwd\r\nContent-Length: 0\r\n\r\n" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string answer = c.answer;
        RawServer server([answer](int socket, const RawServer &self) {
            if (self.readRequest(socket))
                RawServer::sendAll(socket, answer);
        });
        EXPECT_EQ(GetHtmlByXml(server.url(u"/search?q=x"_s)), QString());
        expectStillUsable();
    }
}

TEST_F(HostilePeers, OversizedAndEndlessBodiesGiveTheEmptyText)
{
    constexpr size_t fortyMegabytes = 40u << 20;
    TestServer server([](httplib::Server &http, TestServer &) {
        http.Get("/announced", [](const httplib::Request &, httplib::Response &response) {
            response.set_content(std::string(fortyMegabytes, 'a'), "application/octet-stream");
        });
        // Sent in pieces without a length: the limit is noticed while the body arrives.
        const auto pieces = [](size_t total) {
            return [total](const httplib::Request &, httplib::Response &response) {
                response.set_chunked_content_provider(
                    "application/octet-stream", [total](size_t offset, httplib::DataSink &sink) {
                        if (offset >= total) {
                            sink.done();
                            return true;
                        }
                        static const std::string piece(256 * 1024, 'b');
                        return sink.write(piece.data(), piece.size());
                    });
            };
        };
        http.Get("/unannounced", pieces(fortyMegabytes));
        http.Get("/endless", pieces(size_t(-1)));
    });

    for (const char *path : { "/announced", "/unannounced", "/endless" }) {
        SCOPED_TRACE(path);
        EXPECT_EQ(GetHtmlByXml(server.url(QString::fromLatin1(path))), QString());
        expectStillUsable();
    }
}

TEST_F(HostilePeers, RedirectLoopGivesTheEmptyText)
{
    TestServer server([](httplib::Server &http, TestServer &) {
        http.Get("/a", [](const httplib::Request &, httplib::Response &response) {
            response.set_redirect("/b");
        });
        http.Get("/b", [](const httplib::Request &, httplib::Response &response) {
            response.set_redirect("/a");
        });
    });
    EXPECT_EQ(GetHtmlByXml(server.url(u"/a"_s)), QString());
    // The loop ends after ten redirects: eleven requests in all.
    EXPECT_EQ(server.targets().size(), 11);
    expectStillUsable();
}

TEST_F(HostilePeers, ErrorPagesAndBadBytesAreDecoded)
{
    const QString bad(QChar::ReplacementCharacter);
    const struct
    {
        const char *path;
        int status;
        std::string body;
        QString text;
    } cases[] = {
        { "/missing", 404, u"<h1>找不到</h1>"_s.toStdString(), u"<h1>找不到</h1>"_s },
        { "/broken", 500, u"<h1>出错了</h1>"_s.toStdString(), u"<h1>出错了</h1>"_s },
        { "/latin1", 200, "caf\xe9 na\xefve", u"caf"_s + bad + u" na"_s + bad + u"ve"_s },
        // Code page 936 bytes where UTF-8 is expected.
        { "/gbk", 200, "<p>\xcd\xf8\xd5\xbe</p>", u"<p>"_s + bad + bad + u"\u057e</p>"_s },
        { "/cut-character", 200, "\xe7\xbd", bad + bad },
        { "/surrogate", 200, "a\xed\xa0\x80z", u"a"_s + bad.repeated(3) + u"z"_s },
        { "/overlong", 200, "\xc0\xaf", bad.repeated(2) },
        { "/nul", 200, std::string("a\0b", 3), QString(u"a\0b"_s) },
    };
    TestServer server([&cases](httplib::Server &http, TestServer &) {
        for (const auto &c : cases) {
            http.Get(c.path, [&c](const httplib::Request &, httplib::Response &response) {
                response.status = c.status;
                response.set_content(c.body, "text/html");
            });
        }
    });
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetHtmlByXml(server.url(QString::fromLatin1(c.path))), c.text);
    }
    expectStillUsable();
}

} // namespace
