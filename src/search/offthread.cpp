#include "search/offthread.h"

#include <QEventLoop>
#include <QMetaObject>

#include <exception>
#include <thread>

void runOffThread(const std::function<void()> &work)
{
    QEventLoop loop;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        // Queued, so that a quit posted before the loop runs is not lost.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (error)
        std::rethrow_exception(error);
}
