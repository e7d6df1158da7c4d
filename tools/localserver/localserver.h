#pragma once

#include <QString>

#include <httplib.h>

#include <memory>

// An HTTP server on 127.0.0.1 that serves from its own thread. The owner sets
// up its routes on server(), then calls start(); stop() (or the destructor)
// ends it. The owner stops it before anything its handlers use goes away.
class LocalServer
{
public:
    LocalServer();
    ~LocalServer();

    LocalServer(const LocalServer &) = delete;
    LocalServer &operator=(const LocalServer &) = delete;

    httplib::Server &server();

    // Listens on the port (0 lets the system choose a free one) and serves
    // from a thread of its own. The socket listens from here on, so requests
    // made before that thread runs wait in the backlog. Throws
    // std::runtime_error when the port cannot be bound.
    void start(quint16 port = 0);
    // Waits for the server thread to be listening, then ends it; returns once
    // the thread is gone. Safe to call more than once.
    void stop();

    quint16 port() const;
    // "http://127.0.0.1:<port>"
    QString origin() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
