// A whole search against the local demo engine, set against the network
// floor: libcurl with one easy handle fetching the same addresses one after
// another in the same process, with the same transfer settings (compressed
// bodies accepted). Prints the times and their ratio for each latency, then
// what handing a page fetch to its own thread and waiting for it costs,
// set against the fetch of one 1 MB page.
//
//   bench_search            timings, engine in this process
//   bench_search --memory   one search against the engine program in a child
//                           process; prints the peak resident memory (VmHWM)
//                           of this one

#include "demoengine/demoengine.h"
#include "platform/http.h"
#include "search/offthread.h"
#include "search/pagefetch.h"
#include "search/ranksearch.h"
#include "search/searchprefix.h"
#include "startup/modpub.h"
#include "support/doubles.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

const QString keyword = u"网站排名查询"_s;
const QString site = u"http://www.tolvaro-demo.example/"_s;
constexpr int maxPage = 20; // 21 pages
constexpr qsizetype pageBytes = 1024 * 1024;

// One search over all the pages, which must all be fetched and hold no hit.
bool runSearch()
{
    WindowDouble window;
    window.keyWord = keyword;
    window.url = site;
    window.page = QString::number(maxPage);
    window.onYield = [] { QCoreApplication::processEvents(); };
    ShellDouble shell;
    RankSearch(window, &GetBodyByXml, shell).run();
    const auto fetching = [](const QString &status) {
        return status.startsWith(u"状态:"_s) && status.endsWith(u"..."_s);
    };
    return std::count_if(window.statuses.cbegin(), window.statuses.cend(), fetching) == maxPage + 1
        && window.statuses.last() == u"状态:未发现"_s;
}

size_t appendBody(char *data, size_t size, size_t count, void *context)
{
    static_cast<std::string *>(context)->append(data, size * count);
    return size * count;
}

// The floor: the same addresses, one handle, one after another.
bool fetchFloor(const std::vector<QByteArray> &addresses)
{
    CURL *easy = curl_easy_init();
    std::string body;
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    bool ok = true;
    for (const QByteArray &address : addresses) {
        body.clear();
        curl_easy_setopt(easy, CURLOPT_URL, address.constData());
        ok = ok && curl_easy_perform(easy) == CURLE_OK && body.size() >= size_t(pageBytes / 2);
    }
    curl_easy_cleanup(easy);
    return ok;
}

double secondsOf(const auto &work)
{
    const auto begin = Clock::now();
    if (!work()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(EXIT_FAILURE);
    }
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The thread start, the wait in the event loop and the way back, with no
// work in between, against the fetch of one 1 MB page without latency.
int handOff()
{
    DemoEngineOptions options;
    options.pageBytes = pageBytes;
    const DemoEngine engine(options);
    modPub::strSearchHost = engine.origin();
    const QString address = searchPrefix() + keyword + u"&start=0"_s;

    std::vector<double> fetch, empty;
    for (int round = 0; round < 200; ++round) {
        fetch.push_back(secondsOf([&] { return !GetBodyByXml(address).bytes.isEmpty(); }));
        empty.push_back(secondsOf([] {
            runOffThread([] {});
            return true;
        }));
    }
    const double fetchMs = median(fetch) * 1000;
    const double handOffMs = median(empty) * 1000;
    std::printf("\nhand-off %.3f ms, 1 MB page %.3f ms: %.2f %%\n", handOffMs, fetchMs,
        100 * handOffMs / fetchMs);
    return EXIT_SUCCESS;
}

int timings()
{
    std::printf("%-8s %12s %12s %8s\n", "latency", "search ms", "floor ms", "ratio");
    for (const int latency : { 0, 20 }) {
        DemoEngineOptions options;
        options.pageBytes = pageBytes;
        options.latencyMs = latency;
        options.site = site;
        options.siteRank = 1000; // beyond the 21 pages: every page is fetched
        const DemoEngine engine(options);
        modPub::strSearchHost = engine.origin();

        std::vector<QByteArray> addresses;
        for (int start = 0; start <= 10 * maxPage; start += 10) {
            addresses.push_back(platform::HttpRequest::wireAddress(
                searchPrefix() + keyword + u"&start="_s + QString::number(start)));
        }

        const int rounds = latency == 0 ? 15 : 7;
        std::vector<double> floor, search;
        secondsOf([&] { return fetchFloor(addresses); }); // warm-up
        secondsOf(runSearch);
        for (int round = 0; round < rounds; ++round) {
            floor.push_back(secondsOf([&] { return fetchFloor(addresses); }));
            search.push_back(secondsOf(runSearch));
        }
        const double floorMs = median(floor) * 1000;
        const double searchMs = median(search) * 1000;
        std::printf("%5d ms %12.1f %12.1f %8.3f\n", latency, searchMs, floorMs, searchMs / floorMs);
    }
    return handOff();
}

qint64 peakResidentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression hwm(u"VmHWM:\\s*(\\d+)\\s*kB"_s);
    const auto match = hwm.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// The engine runs as its own program so that only the search's memory counts.
int memory()
{
    QProcess engine;
    engine.start(QStringLiteral(TOLVARO_DEMOENGINE_PROGRAM),
        { u"--port"_s, u"0"_s, u"--page-bytes"_s, QString::number(pageBytes), u"--site"_s, site,
            u"--rank"_s, u"1000"_s, u"--quiet"_s });
    QString banner;
    while (engine.waitForReadyRead(10'000)) {
        banner += QString::fromUtf8(engine.readAllStandardOutput());
        if (banner.contains(u'\n'))
            break;
    }
    const auto port = QRegularExpression(u"127\\.0\\.0\\.1:(\\d+)"_s).match(banner);
    if (!port.hasMatch()) {
        std::fprintf(stderr, "the demo engine did not start\n");
        return EXIT_FAILURE;
    }
    modPub::strSearchHost = u"127.0.0.1:"_s + port.captured(1);

    const qint64 before = peakResidentKiB();
    const bool ok = runSearch();
    const qint64 after = peakResidentKiB();
    engine.kill();
    engine.waitForFinished();
    std::printf("peak resident %.1f MB (%.1f MB before the search)%s\n", after / 1024.0,
        before / 1024.0, ok ? "" : " FAILED");
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    platform::initHttp();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2 && arguments[1] == u"--memory"_s)
        return memory();
    return timings();
}
