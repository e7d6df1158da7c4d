#include "platform/systemproxy.h"

#include <QString>

#include <windows.h>

#include <winhttp.h>

namespace platform {

namespace {

QByteArray narrow(LPWSTR text)
{
    const QByteArray result = text ? QString::fromWCharArray(text).toLatin1() : QByteArray();
    if (text)
        GlobalFree(text);
    return result;
}

} // namespace

// The user's Internet settings, which the system's own HTTP components follow
// for every program. A proxy found by automatic configuration (a script) is
// not asked for: the settings name none then, and the page goes direct.
std::optional<QByteArray> systemProxy(QByteArrayView scheme, QByteArrayView host)
{
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config))
        return std::nullopt;
    narrow(config.lpszAutoConfigUrl);
    const QByteArray list = narrow(config.lpszProxy);
    const QByteArray bypass = narrow(config.lpszProxyBypass);
    const QByteArray proxy = proxyForScheme(list, scheme);
    if (proxy.isEmpty() || bypassesProxy(bypass, host))
        return std::nullopt;
    return proxy;
}

} // namespace platform
