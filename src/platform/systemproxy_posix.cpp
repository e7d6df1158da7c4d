#include "platform/systemproxy.h"

#include <proxy.h>

namespace platform {

// The desktop's proxy settings (GNOME's or KDE's, where their libproxy module
// is installed) or else the environment's proxy variables, a configuration
// script named in either ("pac+http://..." in http_proxy) included. The
// first proxy the answer lists is taken; "direct://" is no proxy.
std::optional<QByteArray> askSystemProxy(QByteArrayView address, QByteArrayView, QByteArrayView)
{
    // Made once: it loads the modules that read the settings. Never freed,
    // as a request may be asking it until the process ends.
    static pxProxyFactory *const factory = px_proxy_factory_new();
    if (!factory)
        return std::nullopt;
    char **proxies = px_proxy_factory_get_proxies(factory, address.toByteArray().constData());
    if (!proxies)
        return std::nullopt;
    std::optional<QByteArray> first;
    if (proxies[0])
        first = qstrcmp(proxies[0], "direct://") == 0 ? QByteArray("") : QByteArray(proxies[0]);
    px_proxy_factory_free_proxies(proxies);
    return first;
}

} // namespace platform
