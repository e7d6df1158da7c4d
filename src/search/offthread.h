#pragma once

#include <functional>

// Runs work on a thread of its own while the calling thread, the windows'
// thread, waits for it in a local event loop. The windows keep painting and
// answering the window system, timers fire, and a request to close a window
// is carried out at once; the user's input (mouse, keyboard, shortcuts) is
// held meanwhile and handed on, in its order, once work is done. So a
// blocking step (a page transfer) freezes nothing, yet reads as one
// synchronous call that no click can enter. An exception from work is thrown
// here once the thread has ended. Needs the application object.
void runOffThread(const std::function<void()> &work);
