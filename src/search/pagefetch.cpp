#include "search/pagefetch.h"

#include "platform/http.h"

#include <new>

using namespace Qt::StringLiterals;

namespace {

// The cause of a failed exchange in the words of the status line: short,
// and telling the user what to look at.
QString failureCause(const platform::HttpResponse &response)
{
    using platform::HttpFailure;
    switch (response.failure) {
    case HttpFailure::None:
        break;
    case HttpFailure::CannotConnect:
        return u"无法连接 "_s + response.host + u':' + QString::number(response.port);
    case HttpFailure::ConnectTimeout:
        return u"连接超时"_s;
    case HttpFailure::Stalled:
        return u"等待超时"_s;
    case HttpFailure::Interrupted:
        return u"传输中断"_s;
    case HttpFailure::NotHttp:
        return u"非HTTP响应"_s;
    case HttpFailure::TooLarge:
        return u"页面过大"_s;
    case HttpFailure::RedirectFailed:
        return u"重定向失败"_s;
    case HttpFailure::TlsFailed:
        return u"安全连接失败"_s;
    case HttpFailure::BadAddress:
        return u"地址无效"_s;
    }
    return QString();
}

} // namespace

PageBody GetBodyByXml(const QString &strUrl)
{
    platform::HttpRequest request;
    // An address that cannot be requested is a failed fetch like any other
    // (send() reports what open() refused): nothing typed into the boxes may
    // end the program.
    request.open(strUrl);
    try {
        platform::HttpResponse response = request.send();
        return { std::move(response.body), response.status, failureCause(response) };
    } catch (const std::bad_alloc &) {
        return { QByteArray(), 0, u"内存不足"_s };
    }
}
