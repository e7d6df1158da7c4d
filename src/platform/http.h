#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

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

// Why an exchange gave no answer.
enum class HttpFailure {
    None,
    // Refused, unreachable, or the host name not found.
    CannotConnect,
    // No connection within connectTimeout.
    ConnectTimeout,
    // Connected, then the stall or the whole-request limit ran out.
    Stalled,
    // The connection broke, or the answer was cut short or could not be unpacked.
    Interrupted,
    // What came back was no HTTP answer: no status line, another protocol's,
    // or a status that is not three digits.
    NotHttp,
    // A body over maxBodyBytes.
    TooLarge,
    // Too many redirects, or a redirect to a scheme other than http or https.
    RedirectFailed,
    // The secure connection could not be set up or its certificate checked.
    TlsFailed,
    // The address cannot be requested (open() refused it or was not called).
    BadAddress,
};

// What one GET gave.
struct HttpResponse
{
    HttpFailure failure = HttpFailure::None;
    // The status code of the last answer; 0 when none came.
    int status = 0;
    // The body, whatever the status code; empty when the exchange failed.
    QByteArray body;
    // The host and port of the last address tried, so that a failure can
    // name the peer (after redirects it may not be the one asked for).
    QString host;
    int port = 0;
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

    // Performs the prepared GET.
    HttpResponse send();

    // The address as it goes out on the wire: what open() requests.
    static QByteArray wireAddress(const QString &url);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
