#include "platform/systemproxy.h"

namespace platform {

// No system-wide settings: libcurl reads http_proxy and its kin itself.
std::optional<QByteArray> systemProxy(QByteArrayView, QByteArrayView)
{
    return std::nullopt;
}

} // namespace platform
