#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The proxy that the user's own system settings give for a page: on Windows
// the Internet settings (a fixed proxy server, a configuration script or
// automatic detection), elsewhere the desktop's proxy settings and the proxy
// variables of the environment (through libproxy, configuration scripts
// included).
namespace platform {

// The proxy for the address (of the scheme "http" or "https", on the host):
// "host:port" or "scheme://host:port"; an empty text when the page goes
// direct; nothing when the system names nothing, and the HTTP library's own
// reading of the environment applies. The answer for a scheme and host is
// kept until forgetSystemProxies(): asking a script can take seconds, and
// the pages of one search go the same way. Called off the window's thread.
std::optional<QByteArray> systemProxy(
    QByteArrayView address, QByteArrayView scheme, QByteArrayView host);

// Forgets the answers kept: the next address asks the system again. Called
// as a search starts, so that a change of the settings counts from the next
// search on.
void forgetSystemProxies();

// The system's answer for the address, asked anew each time; systemProxy()
// keeps what it gives. One for each platform.
std::optional<QByteArray> askSystemProxy(
    QByteArrayView address, QByteArrayView scheme, QByteArrayView host);

// The rules of the system's proxy settings, on their own so that they can be
// checked anywhere:
//   list   "host:port" for every scheme, or "http=host:port;https=host:port"
//          (one entry per scheme, separated by ";" or blanks);
//   bypass names separated by ";" or blanks, "*" standing for any run of
//          characters, case ignored; "<local>" for every name without a dot.
QByteArray proxyForScheme(QByteArrayView list, QByteArrayView scheme);
bool bypassesProxy(QByteArrayView bypass, QByteArrayView host);

} // namespace platform
