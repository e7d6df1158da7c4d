#pragma once

#include <QString>

// Hands a target (a web address, a "mailto:" link, a messenger link) to the
// desktop, which opens it with the program registered for it.
namespace platform {

// A native window handle, passed as the owner of what the shell opens.
using WindowHandle = quintptr;

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

class Shell
{
public:
    virtual ~Shell() = default;
    // Nothing is reported: a target that cannot be opened is silently ignored.
    virtual void execute(WindowHandle owner, const QString &verb, const QString &file,
        const QString &parameters, const QString &directory, int showCommand)
        = 0;
};

} // namespace platform
