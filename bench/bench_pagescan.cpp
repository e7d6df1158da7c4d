// Page processing throughput: the plain pipeline (decode, lower-case, find,
// count) against the byte scan, on realistic result pages of the demo engine.
// Prints MB/s and checks that both ways find the same rank.

#include "demoengine/resultpages.h"
#include "search/pagescan.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

volatile qsizetype sink;

// Best of several rounds, each long enough to time reliably: MB/s.
double throughput(const QByteArray &page, const std::function<PageScan()> &scan)
{
    using Clock = std::chrono::steady_clock;
    const int repeats = std::max(1, int(64 * 1024 * 1024 / page.size()));
    double best = 0.0;
    for (int round = 0; round < 7; ++round) {
        const auto begin = Clock::now();
        for (int i = 0; i < repeats; ++i)
            sink = scan().entriesBefore;
        const std::chrono::duration<double> spent = Clock::now() - begin;
        best = std::max(best, double(page.size()) * repeats / spent.count() / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    const QString site = u"http://www.tolvaro-demo.example/"_s;
    const QString keyword = u"网站排名查询"_s;
    bool same = true;
    for (const qsizetype size : { qsizetype(1024 * 1024), qsizetype(100 * 1024) }) {
        DemoEngineOptions options;
        options.pageBytes = size;
        options.site = site;
        options.siteRank = 5; // after four entries, one of them in upper-case markup
        const QByteArray page = DemoResultPages(options).page(keyword, 0);
        const QString label = size >= 1024 * 1024 ? u"1 MB"_s : u"100 KB"_s;

        const PageScan expected = scanPagePlain(page, site);
        const auto nonAscii = std::count_if(page.begin(), page.end(), [](char c) { return c < 0; });
        std::printf("%s page: %lld bytes, %.0f%% of them in non-ASCII characters, the site's entry "
                    "at %.0f%% of the page\n",
            qPrintable(label), (long long)page.size(),
            100.0 * double(nonAscii) / double(page.size()),
            100.0 * double(page.indexOf(site.toUtf8())) / double(page.size()));
        struct Way
        {
            const char *name;
            std::function<PageScan()> scan;
        };
        const std::vector<Way> ways {
            { "plain (decode+lower+find)", [&] { return scanPagePlain(page, site); } },
            { "byte scan", [&] { return scanPage(page, site); } },
        };
        std::printf("%-8s %-28s %10s %8s\n", "page", "pipeline", "MB/s", "entries");
        for (const Way &way : ways) {
            const PageScan result = way.scan();
            same = same && result.hit == expected.hit
                && result.entriesBefore == expected.entriesBefore
                && result.hasEntry == expected.hasEntry;
            std::printf("%-8s %-28s %10.0f %8lld%s\n", qPrintable(label), way.name,
                throughput(page, way.scan), (long long)result.entriesBefore,
                result.hit ? "" : " (no hit)");
        }
    }
    if (!same) {
        std::printf("MISMATCH: the ways disagree\n");
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
