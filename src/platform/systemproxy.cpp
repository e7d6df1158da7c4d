#include "platform/systemproxy.h"

#include <QHash>
#include <QList>

#include <mutex>

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

// The answers kept since the last forgetSystemProxies(), by scheme and host.
struct Answers
{
    std::mutex lock;
    QHash<QByteArray, std::optional<QByteArray>> byPeer;
};

Answers &answers()
{
    static Answers kept;
    return kept;
}

} // namespace

std::optional<QByteArray> systemProxy(
    QByteArrayView address, QByteArrayView scheme, QByteArrayView host)
{
    const QByteArray peer = scheme.toByteArray() + "://" + host.toByteArray();
    Answers &kept = answers();
    {
        const std::lock_guard guard(kept.lock);
        const auto found = kept.byPeer.constFind(peer);
        if (found != kept.byPeer.cend())
            return *found;
    }
    // Asked without the lock: the window thread may forget meanwhile.
    const std::optional<QByteArray> proxy = askSystemProxy(address, scheme, host);
    const std::lock_guard guard(kept.lock);
    kept.byPeer.insert(peer, proxy);
    return proxy;
}

void forgetSystemProxies()
{
    Answers &kept = answers();
    const std::lock_guard guard(kept.lock);
    kept.byPeer.clear();
}

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
