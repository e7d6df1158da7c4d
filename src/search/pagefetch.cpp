#include "search/pagefetch.h"

#include "platform/http.h"

#include <QStringDecoder>

#include <exception>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;

QString GetHtmlByXml(const QString &strUrl)
{
    try {
        return BytesToText(GetBodyByXml(strUrl), u"UTF-8"_s);
    } catch (const std::exception &) {
        // Any failure from sending on gives the empty text.
        return QString();
    }
}

QByteArray GetBodyByXml(const QString &strUrl)
{
    platform::HttpRequest request;
    // An address that cannot be requested is a failed fetch like any other:
    // nothing typed into the boxes may end the program.
    if (!request.open(strUrl))
        return {};
    try {
        return request.send().value_or(QByteArray());
    } catch (const std::exception &) {
        return {};
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
