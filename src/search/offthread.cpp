#include "search/offthread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Holds the user's input from the moment it is made until it goes, then
// posts what it held to the same receivers in the same order; the next pass
// of the event loop delivers it.
//
// The window system's own way to hold input back (ExcludeUserInputEvents)
// holds a request to close a window as well, which must not wait for a page
// that may take a minute; so the loop delivers everything and input is held
// here instead.
class InputHold final : public QObject
{
public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }

    ~InputHold() override
    {
        QCoreApplication::instance()->removeEventFilter(this);
        for (auto &[receiver, event] : m_held) {
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
        }
    }

    InputHold(const InputHold &) = delete;
    InputHold &operator=(const InputHold &) = delete;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!isInput(receiver, event->type()))
            return false;
        m_held.emplace_back(receiver, event->clone());
        return true;
    }

private:
    // Input reaches the program as an event to a top-level window, which
    // hands it to its controls; holding it there holds it for all of them.
    // Shortcuts and input-method text go to the controls straight away.
    static bool isInput(const QObject *receiver, QEvent::Type type)
    {
        switch (type) {
        case QEvent::Shortcut:
        case QEvent::InputMethod:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
            return receiver->isWindowType();
        default:
            return false;
        }
    }

    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};

// One thread does the work of every call, in the order of the calls:
// starting a thread for each page would cost more than the rest of the
// hand-off. It waits for work until the process ends and is never stopped.
class Worker
{
public:
    static Worker &instance()
    {
        static Worker *const worker = new Worker;
        return *worker;
    }

    void post(std::function<void()> job)
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
        m_wake.notify_one();
    }

private:
    Worker()
    {
        std::thread([this] {
            for (;;) {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_jobs.empty(); });
                const std::function<void()> job = std::move(m_jobs.front());
                m_jobs.pop_front();
                lock.unlock();
                job();
            }
        }).detach();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
};

} // namespace

void runOffThread(const std::function<void()> &work)
{
    const InputHold hold;
    QEventLoop loop;
    // The job owns the promise, so that the worker is done with it however
    // soon this thread goes on once the result is set.
    const auto done = std::make_shared<std::promise<void>>();
    std::future<void> result = done->get_future();
    Worker::instance().post([&work, &loop, done] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        // Queued, so that a quit posted before the loop runs is not lost. The
        // loop outlives this call: the result below is set only after it.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        if (error)
            done->set_exception(error);
        else
            done->set_value();
    });
    loop.exec();
    result.get();
}
