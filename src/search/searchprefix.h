#pragma once

#include <QString>

// The part of every page address before the keyword: scheme, host and the
// engine's search path with its fixed query parameters.
//
// host is a host name or address, optionally with ":port", optionally
// preceded by "http://" or "https://" (plain HTTP when no scheme is given);
// a trailing "/" is tolerated. An empty host gives the built-in host, the
// local demo engine on its default port.
QString searchPrefix(const QString &host);

// The prefix for the host the settings name (modPub::strSearchHost).
QString searchPrefix();
