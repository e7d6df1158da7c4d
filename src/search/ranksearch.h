#pragma once

#include "platform/shell.h"
#include "search/windowops.h"

#include <QString>

#include <functional>

// The Search click: walks the result pages for the keyword and the site
// prefix of the main window's boxes and reports the site's rank through the
// window. One object lives beside the window for the whole run.
class RankSearch
{
public:
    using Fetch = std::function<QString(const QString &strUrl)>;

    RankSearch(WindowOps &window, Fetch fetch, platform::Shell &shell);

    // Runs one search to its end. A run interrupted (at one of its yields)
    // by a newer run, or by abandon(), ends as soon as control returns to it.
    void run();
    // Ends every run under way at its next return from a yield.
    void abandon();

private:
    WindowOps &m_window;
    Fetch m_fetch;
    platform::Shell &m_shell;
    quint64 m_generation = 0;
};
