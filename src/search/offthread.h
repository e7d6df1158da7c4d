#pragma once

#include <functional>

// Runs work on a thread of its own while the calling thread waits for it in
// a local event loop that delivers everything but user input: the windows
// keep painting and answering the window system, timers fire, and mouse and
// keyboard input stays queued, in its order, until work is done. So a
// blocking step (a page transfer) freezes nothing, yet reads as one
// synchronous call and lets no click in. An exception from work is thrown
// here once the thread has ended.
void runOffThread(const std::function<void()> &work);
