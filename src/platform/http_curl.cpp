#include "platform/http.h"

#include "platform/hexdigit.h"
#include "platform/systemproxy.h"

#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>

namespace platform {

namespace {

// A current desktop browser: some engines serve other markup to unknown
// clients.
const char userAgent[] = "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 "
                         "(KHTML, like Gecko) Chrome/131.0.0.0 Safari/537.36";

// What every request shares for the whole run: the connection cache (so that
// the next page reuses the open connection), the DNS cache and TLS sessions.
// Never freed: connections in it may be in use until the process ends.
struct Shared
{
    CURLSH *share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
    // Requests go out strictly one after another.
    std::mutex requestLock;
    // The size of the last body received. The next page of an engine is
    // about as large, and a compressed body announces only its packed size:
    // reserving for the whole body at once spares a chain of ever larger
    // copies, which costs more than the transfer itself on large pages.
    std::atomic<qint64> lastBodySize = 0;
};

void lockShared(CURL *, curl_lock_data data, curl_lock_access, void *state)
{
    static_cast<Shared *>(state)->locks[data].lock();
}

void unlockShared(CURL *, curl_lock_data data, void *state)
{
    static_cast<Shared *>(state)->locks[data].unlock();
}

Shared &shared()
{
    static Shared *const state = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        auto *s = new Shared;
        s->share = curl_share_init();
        if (s->share) {
            curl_share_setopt(s->share, CURLSHOPT_LOCKFUNC, lockShared);
            curl_share_setopt(s->share, CURLSHOPT_UNLOCKFUNC, unlockShared);
            curl_share_setopt(s->share, CURLSHOPT_USERDATA, s);
            curl_share_setopt(s->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
            curl_share_setopt(s->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            curl_share_setopt(s->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        }
        return s;
    }();
    return *state;
}

// The hosts that bypass a proxy: the user's list, and always the loopback
// addresses (every one of 127.0.0.0/8, ::1 and localhost), which a proxy
// could not reach on this machine's behalf.
QByteArray noProxyHosts()
{
    QByteArray hosts = qgetenv("no_proxy");
    if (hosts.isEmpty())
        hosts = qgetenv("NO_PROXY");
    if (hosts.trimmed() == "*")
        return hosts.trimmed();
    if (!hosts.isEmpty())
        hosts += ',';
    return hosts + "localhost,127.0.0.0/8,::1";
}

// Whether the host (as the library gives it: IPv6 in brackets) is one of the
// loopback addresses that noProxyHosts() names.
bool isLoopback(QByteArrayView host)
{
    return host.compare("localhost", Qt::CaseInsensitive) == 0 || host == "[::1]"
        || (host.startsWith("127.") && std::all_of(host.begin(), host.end(), [](char c) {
               return c == '.' || (c >= '0' && c <= '9');
           }));
}

bool isHexDigit(char c)
{
    return hexDigitValue(uchar(c)) >= 0;
}

// Whether the byte at i of an address's path and query must be sent
// percent-encoded: blanks, control characters, UTF-8 bytes of non-ASCII
// characters, "#" (the keyword is data, not a fragment), characters browsers
// also encode, and a "%" that does not start an escape.
bool mustEncode(const QByteArray &bytes, qsizetype i)
{
    const auto c = uchar(bytes[i]);
    if (c <= 0x20 || c >= 0x7F)
        return true;
    switch (c) {
    case '"':
    case '#':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
        return true;
    case '%':
        return !(i + 2 < bytes.size() && isHexDigit(bytes[i + 1]) && isHexDigit(bytes[i + 2]));
    default:
        return false;
    }
}

bool hasWebScheme(const QByteArray &address)
{
    const QByteArray head = address.left(8).toLower();
    return head.startsWith("http://") || head == "https://";
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether a redirect's target names a scheme other than http or https. A
// reference that opens with a scheme (a letter, then letters, digits, "+",
// "-" or ".", then ":") is absolute whatever follows it (RFC 3986), so
// "javascript:alert(1)" or "c:/x" names its scheme as surely as "ftp://x"
// does; the library takes some such targets for relative paths.
bool leavesTheWeb(QByteArrayView target)
{
    if (target.isEmpty() || !isAsciiLetter(target[0]))
        return false;
    qsizetype end = 1;
    while (end < target.size()
        && (isAsciiLetter(target[end]) || (target[end] >= '0' && target[end] <= '9')
            || target[end] == '+' || target[end] == '-' || target[end] == '.'))
        ++end;
    if (end == target.size() || target[end] != ':')
        return false;
    const QByteArray scheme = target.first(end).toByteArray().toLower();
    return scheme != "http" && scheme != "https";
}

// Why the exchange failed. `lastAddress` is the address asked last, which
// after a redirect is its target.
HttpFailure failureOf(CURLcode code, bool connected, const QByteArray &lastAddress)
{
    switch (code) {
    case CURLE_OK:
        return HttpFailure::None;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return HttpFailure::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return connected ? HttpFailure::Stalled : HttpFailure::ConnectTimeout;
    case CURLE_FILESIZE_EXCEEDED:
        return HttpFailure::TooLarge;
    // open() lets only http and https through, and a redirect elsewhere is
    // refused as its headers arrive, so a scheme refused here still came with
    // a redirect. The library gives the same code for an http address whose
    // answer has no HTTP status line or an unknown version or status.
    case CURLE_UNSUPPORTED_PROTOCOL:
        return hasWebScheme(lastAddress) ? HttpFailure::NotHttp : HttpFailure::RedirectFailed;
    case CURLE_WEIRD_SERVER_REPLY:
        return HttpFailure::NotHttp;
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpFailure::RedirectFailed;
    // open() lets only an address that parses through, so one that does not
    // came with a redirect: no host, a port out of range, a control
    // character. The answer came whole; asking again cannot help.
    case CURLE_URL_MALFORMAT:
        return HttpFailure::RedirectFailed;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return HttpFailure::TlsFailed;
    default:
        return HttpFailure::Interrupted;
    }
}

// Host and port of an address the library tried.
void notePeer(const char *address, HttpResponse &response)
{
    CURLU *parsed = address ? curl_url() : nullptr;
    if (!parsed)
        return;
    if (curl_url_set(parsed, CURLUPART_URL, address, 0) == CURLUE_OK) {
        char *host = nullptr;
        char *port = nullptr;
        if (curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK)
            response.host = QString::fromUtf8(host);
        if (curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
            response.port = QByteArray(port).toInt();
        curl_free(host);
        curl_free(port);
    }
    curl_url_cleanup(parsed);
}

// The host of an authority ("user@host:port") in its ASCII form: a name beyond
// ASCII as IDNA gives it, which every resolver and browser takes. A name that
// has no ASCII form stays as typed, and fails as the unknown name it is.
QByteArray asciiAuthority(QByteArrayView authority)
{
    if (std::all_of(authority.begin(), authority.end(), [](char c) { return uchar(c) < 0x80; }))
        return authority.toByteArray();
    const qsizetype hostStart = authority.lastIndexOf('@') + 1;
    qsizetype hostEnd = authority.size();
    if (!authority.sliced(hostStart).startsWith('[')) {
        const qsizetype colon = authority.indexOf(':', hostStart);
        if (colon >= 0)
            hostEnd = colon;
    }
    const QByteArray ace
        = QUrl::toAce(QString::fromUtf8(authority.sliced(hostStart, hostEnd - hostStart)));
    if (ace.isEmpty())
        return authority.toByteArray();
    return authority.first(hostStart).toByteArray() + ace + authority.sliced(hostEnd).toByteArray();
}

} // namespace

void initHttp()
{
    shared();
}

QByteArray HttpRequest::wireAddress(const QString &url)
{
    const QByteArray utf8 = url.toUtf8();

    // The scheme stays as typed, for the library to check; the host goes in
    // its ASCII form.
    qsizetype rest = 0;
    QByteArray wire;
    wire.reserve(utf8.size() + 16);
    const qsizetype schemeEnd = utf8.indexOf("://");
    if (schemeEnd > 0) {
        rest = schemeEnd + 3;
        while (rest < utf8.size() && utf8[rest] != '/' && utf8[rest] != '?' && utf8[rest] != '#')
            ++rest;
        wire.append(utf8.constData(), schemeEnd + 3);
        wire += asciiAuthority(QByteArrayView(utf8).sliced(schemeEnd + 3, rest - schemeEnd - 3));
    }

    static constexpr char hex[] = "0123456789ABCDEF";
    // A "#" right behind the host becomes part of the path.
    if (schemeEnd > 0 && rest < utf8.size() && utf8[rest] == '#')
        wire += '/';
    for (qsizetype i = rest; i < utf8.size(); ++i) {
        if (mustEncode(utf8, i)) {
            const auto c = uchar(utf8[i]);
            wire += '%';
            wire += hex[c >> 4];
            wire += hex[c & 0xF];
        } else {
            wire += utf8[i];
        }
    }
    return wire;
}

struct HttpRequest::Private
{
    HttpLimits limits;
    CURL *easy = nullptr;
    curl_slist *headers = nullptr;
    QByteArray address;
    QByteArray noProxy;
    std::optional<QByteArray> proxy;
    QByteArray body;
    bool tooLarge = false;
    // The status of the answer whose headers are coming in, whether it has
    // named its target yet, and whether that target was refused.
    int headerStatus = 0;
    bool targetSeen = false;
    bool redirectRefused = false;
    // Whether the request in progress has its connection: a time limit that
    // runs out before it is a connect time-out, after it a stall.
    bool connected = false;

    static size_t appendBody(char *data, size_t size, size_t count, void *context);
    static size_t readHeader(char *data, size_t size, size_t count, void *context);
    static int newSocket(void *context, curl_socket_t, curlsocktype);
    static int connectionReady(void *context, char *, char *, int, int);

    void reset()
    {
        if (easy)
            curl_easy_cleanup(easy);
        easy = nullptr;
        curl_slist_free_all(headers);
        headers = nullptr;
    }
};

size_t HttpRequest::Private::appendBody(char *data, size_t size, size_t count, void *context)
{
    auto *d = static_cast<Private *>(context);
    const size_t bytes = size * count;
    if (qint64(d->body.size()) + qint64(bytes) > d->limits.maxBodyBytes) {
        d->tooLarge = true;
        return 0; // anything but the given count ends the transfer with an error
    }
    if (d->body.isEmpty()) {
        curl_off_t announced = -1;
        curl_easy_getinfo(d->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        const qint64 expected = qMax<qint64>(announced, shared().lastBodySize * 5 / 4);
        d->body.reserve(qsizetype(qMin(expected, d->limits.maxBodyBytes)));
    }
    d->body.append(data, qsizetype(bytes));
    return bytes;
}

// Refuses a redirect to another scheme before the library acts on it, as the
// library would act: on the first Location that is not blank of an answer
// from 300 to 399.
size_t HttpRequest::Private::readHeader(char *data, size_t size, size_t count, void *context)
{
    auto *d = static_cast<Private *>(context);
    const size_t bytes = size * count;
    const QByteArrayView line(data, qsizetype(bytes));
    if (line.startsWith("HTTP/")) {
        // "HTTP/1.1 302 Found": a new answer begins.
        const QByteArrayView status = line.sliced(qMin(line.indexOf(' ') + 1, line.size()));
        d->headerStatus = status.first(qMin<qsizetype>(3, status.size())).toInt();
        d->targetSeen = false;
        return bytes;
    }
    const bool redirecting = d->headerStatus >= 300 && d->headerStatus <= 399;
    constexpr QByteArrayView name = "location:";
    if (!redirecting || d->targetSeen || line.size() < name.size()
        || line.first(name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return bytes;
    const QByteArrayView target = line.sliced(name.size()).trimmed();
    if (target.isEmpty())
        return bytes;
    d->targetSeen = true;
    if (!leavesTheWeb(target))
        return bytes;
    d->redirectRefused = true;
    return 0; // anything but the given count ends the transfer with an error
}

int HttpRequest::Private::newSocket(void *context, curl_socket_t, curlsocktype)
{
    static_cast<Private *>(context)->connected = false;
    return CURL_SOCKOPT_OK;
}

int HttpRequest::Private::connectionReady(void *context, char *, char *, int, int)
{
    static_cast<Private *>(context)->connected = true;
    return CURL_PREREQFUNC_OK;
}

HttpRequest::HttpRequest(HttpLimits limits)
    : d(std::make_unique<Private>())
{
    d->limits = limits;
}

HttpRequest::~HttpRequest()
{
    d->reset();
}

bool HttpRequest::open(const QString &url)
{
    d->reset();
    d->address = wireAddress(url);
    if (!hasWebScheme(d->address))
        return false;

    // The address must parse, with a host, before anything goes out.
    CURLU *parsed = curl_url();
    if (!parsed)
        return false;
    bool wellFormed = curl_url_set(parsed, CURLUPART_URL, d->address.constData(), 0) == CURLUE_OK;
    char *host = nullptr;
    char *scheme = nullptr;
    wellFormed = wellFormed && curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK && host
        && *host && curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && scheme;
    // The system's proxy settings, where it has them. The loopback addresses
    // always go direct (see noProxyHosts()): no script is asked for them.
    d->proxy.reset();
    if (wellFormed && !isLoopback(host))
        d->proxy = systemProxy(d->address, scheme, host);
    curl_free(host);
    curl_free(scheme);
    curl_url_cleanup(parsed);
    if (!wellFormed)
        return false;

    Shared &state = shared();
    d->easy = curl_easy_init();
    if (!d->easy)
        return false;
    CURL *easy = d->easy;
    d->noProxy = noProxyHosts();
    d->headers = curl_slist_append(d->headers,
        "Accept: text/html,application/xhtml+xml,application/xml;"
        "q=0.9,*/*;q=0.8");
    d->headers = curl_slist_append(d->headers, "Accept-Language: zh-CN,zh;q=0.9,en;q=0.5");

    curl_easy_setopt(easy, CURLOPT_URL, d->address.constData());
    if (state.share)
        curl_easy_setopt(easy, CURLOPT_SHARE, state.share);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_AUTOREFERER, 1L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, d->headers);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, d->noProxy.constData());
    // An empty proxy is the system's "direct", which also keeps the
    // environment's proxy variables out.
    if (d->proxy)
        curl_easy_setopt(easy, CURLOPT_PROXY, d->proxy->constData());
#ifdef _WIN32
    // Windows checks whether the certificate was revoked. Where the lists of
    // revoked certificates cannot be fetched (an office proxy, a firewall),
    // the check is skipped rather than failing every page: browsers do the
    // same.
    curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_REVOKE_BEST_EFFORT));
#endif
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(d->limits.connectTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(
        easy, CURLOPT_LOW_SPEED_TIME, long(qMax<qint64>(1, d->limits.stallTimeout.count())));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(d->limits.totalTimeout.count()));
    // An announced length over the limit fails before the body is read.
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(d->limits.maxBodyBytes));
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 128L * 1024);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Private::appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, d.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, Private::readHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, d.get());
    curl_easy_setopt(easy, CURLOPT_SOCKOPTFUNCTION, Private::newSocket);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTDATA, d.get());
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, Private::connectionReady);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, d.get());
    return true;
}

HttpResponse HttpRequest::send()
{
    HttpResponse response;
    if (!d->easy) {
        response.failure = HttpFailure::BadAddress;
        return response;
    }
    d->body.clear();
    d->tooLarge = false;
    d->redirectRefused = false;
    d->headerStatus = 0;
    d->targetSeen = false;
    d->connected = false;
    CURLcode result;
    {
        const std::lock_guard lock(shared().requestLock);
        result = curl_easy_perform(d->easy);
    }
    long status = 0;
    curl_easy_getinfo(d->easy, CURLINFO_RESPONSE_CODE, &status);
    response.status = int(status);
    char *tried = nullptr;
    curl_easy_getinfo(d->easy, CURLINFO_EFFECTIVE_URL, &tried);
    if (d->tooLarge)
        response.failure = HttpFailure::TooLarge;
    else if (d->redirectRefused)
        response.failure = HttpFailure::RedirectFailed;
    else
        response.failure = failureOf(result, d->connected, tried);
    if (response.failure == HttpFailure::None) {
        shared().lastBodySize = d->body.size();
        response.body = std::move(d->body);
    } else {
        notePeer(tried, response);
    }
    d->body.clear();
    d->reset();
    return response;
}

} // namespace platform
