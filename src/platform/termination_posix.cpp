#include "platform/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// The signal handler may only write to a descriptor; the event loop reads
// the other end of the pair and runs the handler as any other event.
int signalPair[2] = { -1, -1 };

extern "C" void noteSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPair[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

void onTerminationRequest(std::function<void()> handler)
{
    if (signalPair[0] >= 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalPair) != 0)
        return;

    auto *notifier
        = new QSocketNotifier(signalPair[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(
        notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
            char bytes[16];
            while (::read(signalPair[1], bytes, sizeof bytes) > 0) { }
            handler();
        });

    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : { SIGTERM, SIGHUP, SIGINT }) {
        // A signal the program was started to ignore (nohup, a job in the
        // background of a script) stays ignored.
        struct sigaction previous = {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace platform
