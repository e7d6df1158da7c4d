#pragma once

#include <exception>
#include <utility>

// The program-wide course of an error that no procedure handles: the
// run-time error message (number and description), then the end of the
// program. Event handlers run inside runHandler so that no error leaves a
// handler unseen or unwinds through the window system's code.
namespace ui {

void endWithRuntimeError(std::exception_ptr error) noexcept;

template <typename Handler> void runHandler(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        endWithRuntimeError(std::current_exception());
    }
}

} // namespace ui
