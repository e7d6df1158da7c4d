#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// One HTTP or HTTPS GET at a time, synchronous. Redirects are followed,
// compressed bodies are unpacked, and connections stay open from one request
// to the next so that successive pages of one host reuse them.
namespace platform {

// When a request gives up. The defaults are the product's; tests shorten them.
struct HttpLimits
{
    // No connection made within this time fails the request.
    std::chrono::milliseconds connectTimeout { 15'000 };
    // This long without a byte arriving fails the request (whole seconds).
    std::chrono::seconds stallTimeout { 30 };
    // A request not done within this time fails, however steadily bytes
    // trickle in: a server that drips its page forever cannot hold the search.
    std::chrono::milliseconds totalTimeout { 60'000 };
    // A body larger than this fails the request.
    qint64 maxBodyBytes = 32 * 1024 * 1024;
};

// Sets up the HTTP library for the process. Called once at start-up, before
// any other thread runs; a request made without it sets it up itself.
void initHttp();

// One GET, prepared by open() and performed by send().
class HttpRequest
{
public:
    explicit HttpRequest(HttpLimits limits = {});
    ~HttpRequest();

    HttpRequest(const HttpRequest &) = delete;
    HttpRequest &operator=(const HttpRequest &) = delete;

    // Prepares a GET of the address. False when the address cannot be
    // requested: not an http or https address, or not a well-formed one.
    // Characters that may not stand raw in an address go out percent-encoded
    // as UTF-8; the text itself is left as it is.
    bool open(const QString &url);

    // Performs the prepared GET and returns the body, whatever the status
    // code; nothing when the exchange fails or nothing was prepared.
    std::optional<QByteArray> send();

    // The address as it goes out on the wire: what open() requests.
    static QByteArray wireAddress(const QString &url);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
