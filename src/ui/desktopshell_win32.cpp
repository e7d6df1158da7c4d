#include "ui/desktopshell.h"

#include "platform/codepage.h"

#include <windows.h>

#include <shellapi.h>

namespace ui {

namespace {

// The system shell's own open call, with the owner window, verb, parameters,
// folder and show command as given, every text in the ANSI code page. Its
// result is not looked at: a target that cannot be opened is ignored.
class WindowsShell final : public platform::Shell
{
public:
    void execute(platform::WindowHandle owner, const QString &verb, const QString &file,
        const QString &parameters, const QString &directory, int showCommand) override
    {
        ShellExecuteA(reinterpret_cast<HWND>(owner), platform::toAnsi(verb).constData(),
            platform::toAnsi(file).constData(), platform::toAnsi(parameters).constData(),
            platform::toAnsi(directory).constData(), showCommand);
    }
};

} // namespace

platform::Shell &desktopShell()
{
    static WindowsShell shell;
    return shell;
}

} // namespace ui
