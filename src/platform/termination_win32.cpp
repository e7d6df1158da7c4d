#include "platform/termination.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace platform {

namespace {

// The end of the Windows session reaches every top-level window as
// WM_ENDSESSION once all programs have agreed to it; the process may be
// ended as soon as the message returns, so the handler runs before that.
// WM_QUERYENDSESSION alone is not the end: another program may still refuse.
class SessionEndFilter final : public QAbstractNativeEventFilter
{
public:
    explicit SessionEndFilter(std::function<void()> handler)
        : m_handler(std::move(handler))
    {
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override
    {
        if (type != "windows_generic_MSG")
            return false;
        const auto *msg = static_cast<const MSG *>(message);
        if (msg->message != WM_ENDSESSION || !msg->wParam)
            return false;
        // Every top-level window gets the message; the first one's handler
        // closes the program, so the others never arrive.
        m_handler();
        *result = 0;
        return true;
    }

private:
    std::function<void()> m_handler;
};

} // namespace

void onTerminationRequest(std::function<void()> handler)
{
    static SessionEndFilter *filter = nullptr;
    if (filter || !QCoreApplication::instance())
        return;
    filter = new SessionEndFilter(std::move(handler));
    QCoreApplication::instance()->installNativeEventFilter(filter);
}

} // namespace platform
