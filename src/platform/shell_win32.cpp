#include "platform/shell.h"

#include "platform/codepage.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

namespace {

// The system shell's own open call, with the owner window, verb, parameters,
// folder and show command as given, every text in the ANSI code page. Its
// result is not looked at: a target that cannot be opened is ignored.
class WindowsShell final : public Shell
{
public:
    void execute(WindowHandle owner, const QString &verb, const QString &file,
        const QString &parameters, const QString &directory, ShowCommand show) override
    {
        ShellExecuteA(reinterpret_cast<HWND>(owner), toAnsi(verb).constData(),
            toAnsi(file).constData(), toAnsi(parameters).constData(), toAnsi(directory).constData(),
            int(show));
    }
};

} // namespace

Shell &systemShell()
{
    static WindowsShell shell;
    return shell;
}

} // namespace platform
