#pragma once

#include "platform/shell.h"
#include "search/pagefetch.h"
#include "search/windowops.h"

#include <QString>

#include <functional>
#include <memory>

// The Search click: walks the result pages for the keyword and the site
// prefix of the main window's boxes and reports the site's rank through the
// window. One object lives beside the window for the whole run.
class RankSearch
{
public:
    // Fetches one result page (GetBodyByXml). Called off the window's
    // thread, one page at a time.
    using Fetch = std::function<PageBody(const QString &strUrl)>;

    RankSearch(WindowOps &window, Fetch fetch, platform::Shell &shell);

    // The Search click: runs one search to its end. A click that arrives
    // while a run is under way (at one of its yields) ends that run there,
    // and a new run with the boxes as they are then starts once control is
    // back in the first click: runs never nest, however many clicks come.
    void run();
    // Ends every run under way at its next return from a yield or a fetch.
    void abandon();

private:
    // One run; returns at its end or as soon as a newer click or abandon()
    // has taken over.
    void runOnce(quint64 generation, const std::weak_ptr<void> &alive);
    // Yields; false when the run of that generation must end.
    bool yieldFor(quint64 generation, const std::weak_ptr<void> &alive);
    bool isCurrent(quint64 generation, const std::weak_ptr<void> &alive) const;
    // Ends the run on a page that could not be read.
    void reportUnread(qint64 start, const QString &cause);
    // Ends the run on the page of that start value: "状态:第N页" + what.
    void reportAtPage(qint64 start, const QString &what);

    WindowOps &m_window;
    Fetch m_fetch;
    platform::Shell &m_shell;
    quint64 m_generation = 0;
    bool m_running = false;
    bool m_runAgain = false;
    // Expires with the object: a run whose yield outlived the window's
    // object ends without touching it.
    std::shared_ptr<void> m_alive = std::make_shared<char>();
};
