#include "search/pagefetch.h"

#include "platform/http.h"

#include <QStringDecoder>

#include <exception>
#include <new>
#include <stdexcept>

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

QString GetHtmlByXml(const QString &strUrl)
{
    try {
        return BytesToText(GetBodyByXml(strUrl).bytes, u"UTF-8"_s);
    } catch (const std::exception &) {
        // Any failure from sending on gives the empty text.
        return QString();
    }
}

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

QString BytesToText(const QByteArray &body, const QString &charset)
{
    if (charset.compare(u"UTF-8"_s, Qt::CaseInsensitive) == 0
        || charset.compare(u"utf8"_s, Qt::CaseInsensitive) == 0) {
        // A byte-order mark is no part of the text; malformed sequences
        // become U+FFFD.
        QByteArrayView bytes(body);
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
        return QString::fromUtf8(bytes);
    }
    QStringDecoder decoder(charset.toLatin1().constData());
    if (!decoder.isValid())
        throw std::invalid_argument("unknown character set");
    return decoder.decode(body);
}
