#include "demoengine/demoengine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <exception>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

int numberOption(const QCommandLineParser &parser, const QString &name, int minimum, int maximum)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum || value > maximum) {
        QTextStream(stderr) << "tolvaro-demoengine: --" << name << " wants a whole number from "
                            << minimum << " to " << maximum << Qt::endl;
        std::exit(2);
    }
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"tolvaro-demoengine"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A local search engine that answers result-page requests with made-up results, "
        "so that Tolvaro can be tried without the internet."_s);
    parser.addHelpOption();
    parser.addOptions({
        { u"port"_s, u"Port to listen on at 127.0.0.1 (0: any free port)."_s, u"N"_s, u"8080"_s },
        { u"latency"_s, u"Delay before each answer, in milliseconds."_s, u"MS"_s, u"0"_s },
        { u"page-bytes"_s, u"Pad each result page to about N bytes."_s, u"N"_s, u"0"_s },
        { u"site"_s, u"The site address listed at the known rank."_s, u"URL"_s,
            DemoEngineOptions().site },
        { u"rank"_s, u"The known site's rank."_s, u"N"_s, u"25"_s },
        { u"results"_s,
            u"List N results in all (default: no end). The pages after them hold no result "
            "entry, so that a search ends there with its own status text; the known site is "
            "listed only when its rank is at most N."_s,
            u"N"_s },
        { u"quiet"_s, u"Do not print each request."_s },
    });
    parser.process(app);
    // Every setting is an option: a bare word, such as a port number without
    // --port, would otherwise be ignored.
    if (!parser.positionalArguments().isEmpty()) {
        QTextStream(stderr) << "tolvaro-demoengine: unexpected argument \""
                            << parser.positionalArguments().constFirst()
                            << "\" (options start with --, for example --port 9090)" << Qt::endl;
        return 2;
    }

    DemoEngineOptions options;
    options.port = quint16(numberOption(parser, u"port"_s, 0, 65535));
    options.latencyMs = numberOption(parser, u"latency"_s, 0, 600000);
    options.pageBytes = numberOption(parser, u"page-bytes"_s, 0, 512 * 1024 * 1024);
    options.site = parser.value(u"site"_s);
    options.siteRank = numberOption(parser, u"rank"_s, 1, 1000000);
    if (parser.isSet(u"results"_s))
        options.results = numberOption(parser, u"results"_s, 0, 1000000);
    if (!parser.isSet(u"quiet"_s)) {
        options.onRequest = [](const QString &target) {
            static std::mutex mutex;
            const std::lock_guard lock(mutex);
            QTextStream(stdout) << "GET " << target << Qt::endl;
        };
    }

    try {
        const DemoEngine engine(options);
        QTextStream out(stdout);
        out << "tolvaro-demoengine listening on " << engine.origin()
            << "/ (search host 127.0.0.1:" << engine.port() << "); ";
        if (options.results >= 0)
            out << options.results << " results in all; ";
        if (options.results >= 0 && options.siteRank > options.results)
            out << options.site << " is not listed.";
        else
            out << options.site << " is listed at rank " << options.siteRank << '.';
        out << " Ctrl+C ends it." << Qt::endl;
        return app.exec();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tolvaro-demoengine: %s\n", error.what());
        return 1;
    }
}
