#include "ui/desktopshell.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace ui {

namespace {

// Opens targets through the desktop's URL handlers; nothing is ever run
// through a command interpreter. The verb, parameters, folder and show
// command have no counterpart there and are left aside.
class DesktopShell final : public platform::Shell
{
public:
    void execute(platform::WindowHandle, const QString &, const QString &file, const QString &,
        const QString &, int) override
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

platform::Shell &desktopShell()
{
    static DesktopShell shell;
    return shell;
}

} // namespace ui
