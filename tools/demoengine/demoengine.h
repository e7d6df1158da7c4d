#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// What the demo search engine serves.
struct DemoEngineOptions
{
    // Delay before each answer, to stand in for a distant server.
    int latencyMs = 0;
    // Each result page is padded with inline script, style and Chinese text
    // to about this many bytes; 0 gives a small page.
    qsizetype pageBytes = 0;
    // The known site and the rank (1 = first entry of the first page) at
    // which every keyword's results list it.
    QString site = QStringLiteral("http://www.example.com/");
    int siteRank = 25;
    // How many results the engine lists in all; the pages after them hold no
    // result entry, as when an engine's results run out. Below 0: no end.
    int results = -1;
    // 0 lets the system choose a free port.
    quint16 port = 0;
    // Called on the engine's thread with the path and query of each request.
    std::function<void(const QString &target)> onRequest;
};

// A search engine on 127.0.0.1 that answers
// /search?hl=zh-CN&newwindow=1&sa=N&q=<keyword>&start=<n> with a
// deterministic result page of ten entries, so that searches can be tried and
// measured without the internet. Serves from its own thread until destroyed.
class DemoEngine
{
public:
    // Throws std::runtime_error when the port cannot be bound.
    explicit DemoEngine(DemoEngineOptions options = {});
    ~DemoEngine();

    DemoEngine(const DemoEngine &) = delete;
    DemoEngine &operator=(const DemoEngine &) = delete;

    quint16 port() const;
    // "http://127.0.0.1:<port>"
    QString origin() const;
    // The path and query of every request so far, in order, as sent.
    QStringList requests() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
