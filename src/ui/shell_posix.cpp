#include "platform/shell.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace platform {

namespace {

// Opens targets through the desktop's URL handlers; nothing is ever run
// through a command interpreter. The verb, parameters, folder and show
// command have no counterpart there and are left aside.
class DesktopShell final : public Shell
{
public:
    void execute(WindowHandle, const QString &, const QString &file, const QString &,
        const QString &, ShowCommand) override
    {
        // The desktop services need the GUI application; without one there
        // is no desktop to hand the target to.
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            return;
        QUrl url(file, QUrl::TolerantMode);
        // A target without a scheme ("www.example.com", a file path) is read
        // as the desktop would read it typed into a browser.
        if (url.scheme().isEmpty())
            url = QUrl::fromUserInput(file);
        if (!url.isValid() || url.isEmpty())
            return;
        QDesktopServices::openUrl(url);
    }
};

} // namespace

Shell &systemShell()
{
    static DesktopShell shell;
    return shell;
}

} // namespace platform
