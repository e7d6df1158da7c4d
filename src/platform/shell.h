#pragma once

#include <QString>

// Hands a target (a web address, a "mailto:" link, a messenger link) to the
// desktop, which opens it with the program registered for it.
namespace platform {

// A native window handle, passed as the owner of what the shell opens.
using WindowHandle = quintptr;

// How the opened program shows its window; the values are the Windows
// shell's own, which its open call takes as they are.
enum class ShowCommand : int {
    Normal = 1,
    Show = 5,
};

class Shell
{
public:
    virtual ~Shell() = default;
    // Nothing is reported: a target that cannot be opened is silently ignored.
    virtual void execute(WindowHandle owner, const QString &verb, const QString &file,
        const QString &parameters, const QString &directory, ShowCommand show)
        = 0;
};

// The system's own shell, for the whole run. On Windows it is the shell's open
// call (shell_win32.cpp). Elsewhere it is the desktop's URL handlers, which
// need Qt Gui and so are built with the windows (src/ui/shell_posix.cpp): code
// that links Qt Core only takes a Shell from its caller, as the search does.
Shell &systemShell();

} // namespace platform
