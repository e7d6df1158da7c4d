#pragma once

#include <functional>

namespace platform {

// Calls handler from the event loop of the application's thread when the
// process is asked to end, in place of ending at once, so that the program
// can close as its user would close it. On Windows that is the end of the
// session (log-off or shut-down); elsewhere SIGTERM (as at the end of a
// desktop session), SIGHUP and SIGINT (Ctrl+C in a terminal), where a signal
// that the process was started to ignore (nohup) stays ignored. Needs the
// application object; set once.
void onTerminationRequest(std::function<void()> handler);

} // namespace platform
