#pragma once

#include "platform/shell.h"
#include "search/windowops.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// The Search click: walks the result pages for the keyword and the site
// prefix of the main window's boxes and reports the site's rank through the
// window. One object lives beside the window for the whole run.
class RankSearch
{
public:
    // Fetches one result page: its body as it arrived, undecoded (UTF-8);
    // the empty array when the fetch failed. The search scans the bytes as
    // they are, which gives what decoding and lower-casing them would.
    using Fetch = std::function<QByteArray(const QString &strUrl)>;

    RankSearch(WindowOps &window, Fetch fetch, platform::Shell &shell);

    // Runs one search to its end. A run interrupted (at one of its yields)
    // by a newer run, or by abandon(), ends as soon as control returns to it.
    void run();
    // Ends every run under way at its next return from a yield.
    void abandon();

private:
    // Yields; false when the run of that generation must end.
    bool yieldFor(quint64 generation, const std::weak_ptr<void> &alive);

    WindowOps &m_window;
    Fetch m_fetch;
    platform::Shell &m_shell;
    quint64 m_generation = 0;
    // Expires with the object: a run whose yield outlived the window's
    // object ends without touching it.
    std::shared_ptr<void> m_alive = std::make_shared<char>();
};
