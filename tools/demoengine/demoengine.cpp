#include "demoengine/demoengine.h"

#include "demoengine/resultpages.h"
#include "localserver/localserver.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

using namespace Qt::StringLiterals;

struct DemoEngine::Private
{
    explicit Private(DemoEngineOptions options)
        : options(std::move(options))
        , pages(this->options)
    {
    }

    DemoEngineOptions options;
    DemoResultPages pages;
    mutable std::mutex mutex;
    QStringList requests;
    // Last, so that it stops before what its handlers use goes.
    LocalServer http;
};

namespace {

// The server library would compress text pages itself at its slowest
// settings (brotli takes seconds for a large page), which would make the
// engine rather than the client the cost of a search. The engine compresses
// its result pages itself (see DemoResultPages::gzippedPage) and writes its
// content type so that the library leaves every body alone: "Text/" does not
// match the library's test, while the type means the same to every client.
const char pageType[] = "Text/html; charset=utf-8";

bool acceptsGzip(const httplib::Request &request)
{
    return QByteArray::fromStdString(request.get_header_value("Accept-Encoding"))
        .toLower()
        .contains("gzip");
}

void setBody(httplib::Response &response, const QByteArray &body)
{
    response.set_content(body.constData(), size_t(body.size()), pageType);
}

int startValue(const std::string &text)
{
    bool ok = false;
    const int start = QString::fromStdString(text).toInt(&ok);
    return ok && start >= 0 ? start : 0;
}

} // namespace

DemoEngine::DemoEngine(DemoEngineOptions options)
    : d(std::make_unique<Private>(std::move(options)))
{
    Private *p = d.get();
    httplib::Server &server = p->http.server();

    server.set_pre_routing_handler([p](const httplib::Request &request, httplib::Response &) {
        const QString target = QString::fromStdString(request.target);
        {
            const std::lock_guard lock(p->mutex);
            p->requests.append(target);
        }
        if (p->options.onRequest)
            p->options.onRequest(target);
        if (p->options.latencyMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(p->options.latencyMs));
        return httplib::Server::HandlerResponse::Unhandled;
    });

    server.Get("/search", [p](const httplib::Request &request, httplib::Response &response) {
        const QString keyword = QString::fromStdString(request.get_param_value("q"));
        const int start = startValue(request.get_param_value("start"));
        response.set_header("Vary", "Accept-Encoding");
        if (acceptsGzip(request)) {
            response.set_header("Content-Encoding", "gzip");
            setBody(response, p->pages.gzippedPage(keyword, start));
        } else {
            setBody(response, p->pages.page(keyword, start));
        }
    });

    server.set_error_handler([](const httplib::Request &, httplib::Response &response) {
        const QByteArray page
            = u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
              "<title>%1</title></head><body><h1>%1 页面不存在</h1></body></html>\n"_s
                  .arg(response.status)
                  .toUtf8();
        setBody(response, page);
    });

    p->http.start(p->options.port);
}

DemoEngine::~DemoEngine() = default;

quint16 DemoEngine::port() const
{
    return d->http.port();
}

QString DemoEngine::origin() const
{
    return d->http.origin();
}

QStringList DemoEngine::requests() const
{
    const std::lock_guard lock(d->mutex);
    return d->requests;
}
