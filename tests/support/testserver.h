#pragma once

#include <QString>
#include <QStringList>

#include <httplib.h>

#include <chrono>
#include <functional>
#include <memory>

// An HTTP server on 127.0.0.1 for one test: the routes are set up first, then
// it listens on a port the system chooses and serves from its own threads
// until the object goes. It notes every request, so that a test can check
// what reached the wire and over how many connections.
class TestServer
{
public:
    using Routes = std::function<void(httplib::Server &server, TestServer &self)>;

    explicit TestServer(const Routes &routes);
    ~TestServer();

    TestServer(const TestServer &) = delete;
    TestServer &operator=(const TestServer &) = delete;

    // "http://127.0.0.1:<port>" followed by the path and query.
    QString url(const QString &pathAndQuery) const;

    // The request targets (path and query as sent), in order.
    QStringList targets() const;
    // The distinct client connections that requests arrived on.
    int connectionCount() const;

    // For handlers that stall: waits until the server is shutting down or the
    // time has passed. Returns true when the server is shutting down.
    bool waitForShutdown(std::chrono::milliseconds limit) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// A host name that never resolves: reserved (under .invalid), and with a first
// label of 64 characters, one more than a name may have, so that the resolver
// refuses it at once without asking a name server: nothing leaves the machine.
inline QString unresolvableHost()
{
    return QString(64, u'x') + QStringLiteral(".invalid");
}
