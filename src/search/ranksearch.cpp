#include "search/ranksearch.h"

#include "search/pagenumber.h"
#include "search/pagescan.h"
#include "search/searchprefix.h"
#include "startup/modpub.h"

using namespace Qt::StringLiterals;

RankSearch::RankSearch(WindowOps &window, Fetch fetch, platform::Shell &shell)
    : m_window(window)
    , m_fetch(std::move(fetch))
    , m_shell(shell)
{
}

void RankSearch::run()
{
    const quint64 generation = ++m_generation;
    const std::weak_ptr<void> alive = m_alive;

    m_window.setResultText(QString());
    modPub::strKeyWord = m_window.keyWordText();
    modPub::strKeyUrl = m_window.urlText();
    modPub::lngMaxPage = lenientToLong(m_window.pageText());
    if (modPub::lngMaxPage <= 0)
        return;

    // 64 bits: ten times any page count stays exact, and the start value
    // never wraps however many pages are asked for.
    const qint64 lastStart = 10 * qint64(modPub::lngMaxPage);
    const QString prefix = searchPrefix();
    for (qint64 start = 0; start <= lastStart; start += 10) {
        // The keyword goes in as typed, so an "&" in it starts a new query
        // parameter; the request percent-encodes, as UTF-8, only what cannot
        // stand raw in an address (blanks, "#", non-ASCII characters).
        const QString pageAddress
            = prefix + modPub::strKeyWord + u"&start="_s + QString::number(start);
        m_window.setStatus(u"状态:"_s + pageAddress + u"..."_s);
        if (!yieldFor(generation, alive))
            return;

        // The site prefix is read afresh for every page, as the keyword is.
        const PageScan scan = scanPage(m_fetch(pageAddress), modPub::strKeyUrl);
        if (!scan.hit)
            continue;

        m_window.setStatus(u"已发现，正在分析位置..."_s);
        if (!yieldFor(generation, alive))
            return;
        const qint64 rank = qint64(scan.entriesBefore) + start + 1;
        m_window.setResultText(QString::number(rank));
        m_window.setStatus(u"状态:已经发现，位置:"_s + m_window.resultText());
        if (!yieldFor(generation, alive))
            return;
        if (m_window.openPageOption() != 0) {
            m_shell.execute(m_window.nativeHandle(), u"open"_s, pageAddress, QString(), QString(),
                platform::SW_SHOWNORMAL);
        }
        return;
    }
    m_window.setStatus(u"状态:未发现"_s);
    m_window.doEvents();
}

void RankSearch::abandon()
{
    ++m_generation;
}

bool RankSearch::yieldFor(quint64 generation, const std::weak_ptr<void> &alive)
{
    m_window.doEvents();
    // A newer run (a Search click during the yield) or abandon() has taken
    // over; this run then leaves the status line and the result box alone.
    return !alive.expired() && m_generation == generation;
}
