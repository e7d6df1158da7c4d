#include "support/rawserver.h"

// The socket headers of this platform, as the HTTP server library includes them.
#include <httplib.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

void closeSocket(socket_t socket)
{
#ifdef _WIN32
    closesocket(socket);
#else
    close(socket);
#endif
}

} // namespace

struct RawServer::Private
{
    QByteArray reply;
    QString address;
    quint16 port = 0;
    socket_t listener {};
    std::atomic<bool> stopping = false;
    std::atomic<int> answered = 0;
    std::thread thread;

    sockaddr_in socketAddress() const
    {
        sockaddr_in where {};
        where.sin_family = AF_INET;
        where.sin_port = htons(port);
        inet_pton(AF_INET, address.toLatin1().constData(), &where.sin_addr);
        return where;
    }

    void serve()
    {
        for (;;) {
            const socket_t client = accept(listener, nullptr, nullptr);
            if (stopping) {
                closeSocket(client);
                break;
            }
            // The reply goes out once the request's header is in, so that the
            // client is not cut off while it still sends.
            QByteArray request;
            char buffer[4096];
            while (!request.contains("\r\n\r\n") && request.size() < (1 << 16)) {
                const auto got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, qsizetype(got));
            }
            // Counted first: the client may have its reply before send() returns.
            ++answered;
            send(client, reply.constData(), int(reply.size()), 0);
            closeSocket(client);
        }
    }
};

RawServer::RawServer(QByteArray reply, const QString &address)
    : d(std::make_unique<Private>())
{
    d->reply = std::move(reply);
    d->address = address;
    d->listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where = d->socketAddress();
    socklen_t length = sizeof where;
    if (bind(d->listener, reinterpret_cast<sockaddr *>(&where), length) != 0
        || listen(d->listener, 8) != 0
        || getsockname(d->listener, reinterpret_cast<sockaddr *>(&where), &length) != 0) {
        closeSocket(d->listener);
        throw std::runtime_error("the raw server cannot listen");
    }
    d->port = ntohs(where.sin_port);
    d->thread = std::thread([p = d.get()] { p->serve(); });
}

RawServer::~RawServer()
{
    // A connection of its own wakes the waiting accept, which then sees the stop.
    d->stopping = true;
    const socket_t waker = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in where = d->socketAddress();
    connect(waker, reinterpret_cast<const sockaddr *>(&where), sizeof where);
    d->thread.join();
    closeSocket(waker);
    closeSocket(d->listener);
}

QString RawServer::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://") + host() + pathAndQuery;
}

QString RawServer::host() const
{
    return d->address + u':' + QString::number(d->port);
}

int RawServer::answered() const
{
    return d->answered;
}
