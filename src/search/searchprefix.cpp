#include "search/searchprefix.h"

#include "startup/modpub.h"

using namespace Qt::StringLiterals;

QString searchPrefix(const QString &host)
{
    QString scheme = u"http"_s;
    QString name = host.trimmed();
    if (name.startsWith(u"https://"_s, Qt::CaseInsensitive)) {
        scheme = u"https"_s;
        name.remove(0, 8);
    } else if (name.startsWith(u"http://"_s, Qt::CaseInsensitive)) {
        name.remove(0, 7);
    }
    while (name.endsWith(u'/'))
        name.chop(1);
    if (name.isEmpty()) {
        scheme = u"http"_s;
        name = u"127.0.0.1:8080"_s;
    }
    return scheme + u"://"_s + name + u"/search?hl=zh-CN&newwindow=1&sa=N&q="_s;
}

QString searchPrefix()
{
    return searchPrefix(modPub::strSearchHost);
}
