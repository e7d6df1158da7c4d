#include "localserver/localserver.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

using namespace Qt::StringLiterals;

struct LocalServer::Private
{
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> finished = false;
    quint16 port = 0;
};

LocalServer::LocalServer()
    : d(std::make_unique<Private>())
{
    // A search fetches its pages back to back over one connection; the short
    // idle time lets the server stop soon after the last request.
    d->server.set_keep_alive_max_count(100000);
    d->server.set_keep_alive_timeout(1);
    // Headers and body leave in separate writes; without this the body of a
    // small answer waits for the client's delayed acknowledgement (40 ms).
    d->server.set_tcp_nodelay(true);
    // A port that another server listens on is refused. The library's own
    // options (SO_REUSEPORT) would let a second server listen beside the
    // first, and each request would reach either of them.
    d->server.set_socket_options([](socket_t socket) {
        int yes = 1;
#ifdef _WIN32
        setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char *>(&yes),
            sizeof yes);
#else
        // Only a port left in TIME_WAIT by an earlier run may be taken again.
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
    });
}

LocalServer::~LocalServer()
{
    stop();
}

httplib::Server &LocalServer::server()
{
    return d->server;
}

void LocalServer::start(quint16 port)
{
    const std::string host = "127.0.0.1";
    int bound = -1;
    if (port == 0)
        bound = d->server.bind_to_any_port(host);
    else if (d->server.bind_to_port(host, port))
        bound = port;
    if (bound <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port)
            + " (is another program using that port?)");
    d->port = quint16(bound);
    d->thread = std::thread([p = d.get()] {
        p->server.listen_after_bind();
        p->finished = true;
    });
}

void LocalServer::stop()
{
    if (!d->thread.joinable())
        return;
    // stop() does nothing until the server thread has begun to listen.
    while (!d->server.is_running() && !d->finished)
        std::this_thread::yield();
    d->server.stop();
    d->thread.join();
}

quint16 LocalServer::port() const
{
    return d->port;
}

QString LocalServer::origin() const
{
    return u"http://127.0.0.1:"_s + QString::number(d->port);
}
