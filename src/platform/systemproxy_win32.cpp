#include "platform/systemproxy.h"

#include <QString>

#include <string>

#include <windows.h>

#include <winhttp.h>

namespace platform {

namespace {

// The text, which the system allocated for the caller, freed.
QString taken(LPWSTR text)
{
    const QString result = text ? QString::fromWCharArray(text) : QString();
    if (text)
        GlobalFree(text);
    return result;
}

QByteArray narrow(LPWSTR text)
{
    return taken(text).toLatin1();
}

// The proxy that the configuration script at scriptAddress, or the one that
// automatic detection finds (DHCP, then DNS), gives for the address: the
// first one its answer lists, or an empty text for DIRECT. Nothing when no
// script could be found, fetched or run.
std::optional<QByteArray> scriptProxy(
    QByteArrayView address, QByteArrayView scheme, bool autoDetect, const QString &scriptAddress)
{
    // The script itself is fetched directly, as the system does.
    const HINTERNET session = WinHttpOpen(L"Tolvaro", WINHTTP_ACCESS_TYPE_NO_PROXY,
        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session)
        return std::nullopt;
    const std::wstring script = scriptAddress.toStdWString();
    const std::wstring url = QString::fromUtf8(address).toStdWString();
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (autoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if (!scriptAddress.isEmpty()) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = script.c_str();
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    std::optional<QByteArray> proxy;
    if (WinHttpGetProxyForUrl(session, url.c_str(), &options, &info)) {
        const QByteArray list = narrow(info.lpszProxy);
        narrow(info.lpszProxyBypass);
        proxy = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? proxyForScheme(list, scheme)
                                                                     : QByteArray("");
    }
    WinHttpCloseHandle(session);
    return proxy;
}

} // namespace

// The user's Internet settings, which the system's own HTTP components follow
// for every program: a configuration script or automatic detection first;
// where that gives no answer, the fixed proxy server with its bypass list.
std::optional<QByteArray> askSystemProxy(
    QByteArrayView address, QByteArrayView scheme, QByteArrayView host)
{
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config))
        return std::nullopt;
    const QString scriptAddress = taken(config.lpszAutoConfigUrl);
    const QByteArray list = narrow(config.lpszProxy);
    const QByteArray bypass = narrow(config.lpszProxyBypass);
    if (config.fAutoDetect || !scriptAddress.isEmpty()) {
        if (auto proxy = scriptProxy(address, scheme, config.fAutoDetect, scriptAddress))
            return proxy;
    }
    const QByteArray proxy = proxyForScheme(list, scheme);
    if (proxy.isEmpty() || bypassesProxy(bypass, host))
        return std::nullopt;
    return proxy;
}

} // namespace platform
