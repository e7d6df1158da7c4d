#include "search/pagebody.h"

#include "platform/http.h"

#include <exception>
#include <optional>

QByteArray GetBodyByXml(const QString &strUrl)
{
    platform::HttpRequest request;
    if (!request.open(strUrl))
        return {};
    try {
        return request.send().value_or(QByteArray());
    } catch (const std::exception &) {
        return {};
    }
}
