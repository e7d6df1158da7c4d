#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The proxy that the user's own system settings give for a page, where the
// system keeps such settings for every program (Windows: the Internet
// settings). Elsewhere there is none, and the HTTP library reads the proxy
// variables of the environment itself.
namespace platform {

// The proxy ("host:port") for an address of the scheme ("http", "https") on
// the host, or nothing when the page goes direct.
std::optional<QByteArray> systemProxy(QByteArrayView scheme, QByteArrayView host);

// The rules of the system's proxy settings, on their own so that they can be
// checked anywhere:
//   list   "host:port" for every scheme, or "http=host:port;https=host:port"
//          (one entry per scheme, separated by ";" or blanks);
//   bypass names separated by ";" or blanks, "*" standing for any run of
//          characters, case ignored; "<local>" for every name without a dot.
QByteArray proxyForScheme(QByteArrayView list, QByteArrayView scheme);
bool bypassesProxy(QByteArrayView bypass, QByteArrayView host);

} // namespace platform
