#include "support/testserver.h"

#include "localserver/localserver.h"

#include <QSet>

#include <condition_variable>
#include <mutex>

struct TestServer::Private
{
    mutable std::mutex mutex;
    mutable std::condition_variable shutdownSignal;
    bool shuttingDown = false;
    QStringList targets;
    QSet<int> clientPorts;
    // Last, so that it stops before what its handlers use goes.
    LocalServer http;
};

TestServer::TestServer(const Routes &routes)
    : d(std::make_unique<Private>())
{
    Private *p = d.get();
    httplib::Server &server = p->http.server();
    server.set_pre_routing_handler([p](const httplib::Request &request, httplib::Response &) {
        const std::lock_guard lock(p->mutex);
        p->targets.append(QString::fromStdString(request.target));
        p->clientPorts.insert(request.remote_port);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    routes(server, *this);
    p->http.start();
}

TestServer::~TestServer()
{
    {
        const std::lock_guard lock(d->mutex);
        d->shuttingDown = true;
    }
    // Handlers that stall give up now, so that the server can stop.
    d->shutdownSignal.notify_all();
    d->http.stop();
}

QString TestServer::url(const QString &pathAndQuery) const
{
    return d->http.origin() + pathAndQuery;
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
