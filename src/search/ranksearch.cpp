#include "search/ranksearch.h"

#include "platform/http.h"
#include "platform/systemproxy.h"
#include "search/offthread.h"
#include "search/pagenumber.h"
#include "search/pagescan.h"
#include "search/searchprefix.h"
#include "startup/modpub.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

RankSearch::RankSearch(WindowOps &window, Fetch fetch, platform::Shell &shell)
    : m_window(window)
    , m_fetch(std::move(fetch))
    , m_shell(shell)
{
}

void RankSearch::run()
{
    // A run under way gives way at its next yield; the loop of the click that
    // started it then begins the new run, so the stack stays as it is.
    ++m_generation;
    m_runAgain = true;
    if (m_running)
        return;

    const std::weak_ptr<void> alive = m_alive;
    m_running = true;
    const auto done = qScopeGuard([this, &alive] {
        if (!alive.expired())
            m_running = false;
    });
    while (m_runAgain) {
        m_runAgain = false;
        runOnce(m_generation, alive);
        if (alive.expired())
            return;
    }
}

void RankSearch::runOnce(quint64 generation, const std::weak_ptr<void> &alive)
{
    m_window.setResultText(QString());
    modPub::strKeyWord = m_window.keyWordText();
    modPub::strKeyUrl = m_window.urlText();
    modPub::lngMaxPage = lenientToLong(m_window.pageText());
    if (modPub::lngMaxPage <= 0)
        return;
    // The proxy the system names is asked once per search and kept for its
    // pages: a script may take seconds to answer.
    platform::forgetSystemProxies();

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

        // The fetch runs on a copy of the fetch function, which stays valid
        // even should the window's object go while the page is on its way.
        PageBody page;
        runOffThread([&page, &pageAddress, fetch = m_fetch] { page = fetch(pageAddress); });
        // A close during the fetch has ended the run.
        if (!isCurrent(generation, alive))
            return;
        if (!page.failure.isEmpty()) {
            reportUnread(start, page.failure);
            return;
        }

        // The site prefix is read afresh for every page, as the keyword is.
        const PageScan scan = scanPage(page.bytes, modPub::strKeyUrl);
        if (!scan.hit) {
            // An error page (a refusal, a captcha) or a redirect that was not
            // followed says nothing about the rank: only result pages that
            // were read may make "not found".
            if (page.status >= 300) {
                reportUnread(start, u"HTTP "_s + QString::number(page.status));
                return;
            }
            // Nor does a page that lists no result at all: the host serves no
            // result pages of this kind, the results have run out, or the
            // engine sent a consent or captcha page with 200. Pages after it
            // would not tell more.
            if (!scan.hasEntry) {
                reportAtPage(start, u"没有检索结果"_s);
                return;
            }
            continue;
        }

        m_window.setStatus(u"已发现，正在分析位置..."_s);
        if (!yieldFor(generation, alive))
            return;
        const qint64 rank = qint64(scan.entriesBefore) + start + 1;
        m_window.setResultText(QString::number(rank));
        m_window.setStatus(u"状态:已经发现，位置:"_s + m_window.resultText());
        if (!yieldFor(generation, alive))
            return;
        if (m_window.openPageOption() != 0) {
            // The browser gets the address exactly as it went out, so that it
            // shows the page that was read ("#" in a keyword is no fragment).
            m_shell.execute(m_window.nativeHandle(), u"open"_s,
                QString::fromUtf8(platform::HttpRequest::wireAddress(pageAddress)), QString(),
                QString(), platform::ShowCommand::Normal);
        }
        return;
    }
    m_window.setStatus(u"状态:未发现"_s);
    m_window.doEvents();
}

void RankSearch::reportUnread(qint64 start, const QString &cause)
{
    reportAtPage(start, u"读取失败："_s + cause);
}

void RankSearch::reportAtPage(qint64 start, const QString &what)
{
    m_window.setStatus(u"状态:第"_s + QString::number(start / 10 + 1) + u"页"_s + what);
    m_window.doEvents();
}

void RankSearch::abandon()
{
    ++m_generation;
    m_runAgain = false;
}

bool RankSearch::isCurrent(quint64 generation, const std::weak_ptr<void> &alive) const
{
    return !alive.expired() && m_generation == generation;
}

bool RankSearch::yieldFor(quint64 generation, const std::weak_ptr<void> &alive)
{
    m_window.doEvents();
    // A newer run (a Search click during the yield) or abandon() has taken
    // over; this run then leaves the status line and the result box alone.
    return isCurrent(generation, alive);
}
