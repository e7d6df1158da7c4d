#include "support/testserver.h"

#include <QSet>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace Qt::StringLiterals;

struct TestServer::Private
{
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> finished = false;
    quint16 port = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable shutdownSignal;
    bool shuttingDown = false;
    QStringList targets;
    QSet<int> clientPorts;
};

TestServer::TestServer(const Routes &routes)
    : d(std::make_unique<Private>())
{
    Private *p = d.get();
    // A kept-alive connection holds its server thread until it has been idle
    // this long, and so delays the end of the test.
    p->server.set_keep_alive_timeout(1);
    p->server.set_keep_alive_max_count(1000);
    // Small answers would otherwise wait for the client's delayed ACK.
    p->server.set_tcp_nodelay(true);
    p->server.set_pre_routing_handler([p](const httplib::Request &request, httplib::Response &) {
        const std::lock_guard lock(p->mutex);
        p->targets.append(QString::fromStdString(request.target));
        p->clientPorts.insert(request.remote_port);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    routes(p->server, *this);

    const int port = p->server.bind_to_any_port("127.0.0.1");
    if (port <= 0)
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    p->port = quint16(port);
    p->thread = std::thread([p] {
        p->server.listen_after_bind();
        p->finished = true;
    });
}

TestServer::~TestServer()
{
    {
        const std::lock_guard lock(d->mutex);
        d->shuttingDown = true;
    }
    d->shutdownSignal.notify_all();
    // stop() does nothing until the server thread has begun to listen.
    while (!d->server.is_running() && !d->finished)
        std::this_thread::yield();
    d->server.stop();
    d->thread.join();
}

QString TestServer::url(const QString &pathAndQuery) const
{
    return u"http://127.0.0.1:"_s + QString::number(d->port) + pathAndQuery;
}

QStringList TestServer::targets() const
{
    const std::lock_guard lock(d->mutex);
    return d->targets;
}

int TestServer::connectionCount() const
{
    const std::lock_guard lock(d->mutex);
    return int(d->clientPorts.size());
}

bool TestServer::waitForShutdown(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(d->mutex);
    return d->shutdownSignal.wait_for(lock, limit, [this] { return d->shuttingDown; });
}
