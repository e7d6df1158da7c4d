#pragma once

#include <functional>

namespace platform {

// Calls handler from the event loop of the application's thread when the
// process is asked to end (SIGTERM, as at the end of a desktop session;
// SIGHUP; SIGINT, Ctrl+C in a terminal), in place of ending at once, so that
// the program can close as its user would close it. A signal that the
// process was started to ignore (nohup) stays ignored. Needs the application
// object; set once.
void onTerminationRequest(std::function<void()> handler);

} // namespace platform
