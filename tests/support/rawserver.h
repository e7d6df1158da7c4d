#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// A server on a loopback address that answers every connection with the same
// bytes, sent as they are once the request's header has arrived, and then
// closes it: for replies that no HTTP server would send. It listens on a port
// the system chooses and serves from its own thread until the object goes.
class RawServer
{
public:
    explicit RawServer(QByteArray reply, const QString &address = QStringLiteral("127.0.0.1"));
    ~RawServer();

    RawServer(const RawServer &) = delete;
    RawServer &operator=(const RawServer &) = delete;

    // "http://<address>:<port>" followed by the path and query.
    QString url(const QString &pathAndQuery) const;
    // "<address>:<port>", as a settings file names a host.
    QString host() const;

    // How many connections were answered.
    int answered() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
