#include "platform/systemproxy.h"

#include <QList>

namespace platform {

namespace {

QList<QByteArrayView> entries(QByteArrayView text)
{
    QList<QByteArrayView> result;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ';' && text[i] != ' ' && text[i] != '\t')
            continue;
        if (i > begin)
            result.append(text.sliced(begin, i - begin));
        begin = i + 1;
    }
    return result;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// A pattern with "*" for any run of characters, matched without regard to case.
bool matches(QByteArrayView pattern, QByteArrayView text)
{
    if (pattern.isEmpty())
        return text.isEmpty();
    if (pattern.front() == '*') {
        for (qsizetype skip = 0; skip <= text.size(); ++skip) {
            if (matches(pattern.sliced(1), text.sliced(skip)))
                return true;
        }
        return false;
    }
    return !text.isEmpty() && lower(pattern.front()) == lower(text.front())
        && matches(pattern.sliced(1), text.sliced(1));
}

} // namespace

QByteArray proxyForScheme(QByteArrayView list, QByteArrayView scheme)
{
    QByteArrayView anyScheme;
    for (const QByteArrayView entry : entries(list)) {
        const qsizetype equals = entry.indexOf('=');
        if (equals < 0) {
            if (anyScheme.isEmpty())
                anyScheme = entry;
        } else if (entry.first(equals).compare(scheme, Qt::CaseInsensitive) == 0) {
            return entry.sliced(equals + 1).toByteArray();
        }
    }
    return anyScheme.toByteArray();
}

bool bypassesProxy(QByteArrayView bypass, QByteArrayView host)
{
    for (const QByteArrayView entry : entries(bypass)) {
        if (entry.compare("<local>", Qt::CaseInsensitive) == 0 ? !host.contains('.')
                                                               : matches(entry, host))
            return true;
    }
    return false;
}

} // namespace platform
