#include "ui/application.h"

#include "platform/termination.h"
#include "ui/unhandlederror.h"

using namespace Qt::StringLiterals;

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // These name the program to the desktop: the application name is the
    // window class that the desktop entry's StartupWMClass matches and, with
    // no organisation name, the per-user configuration folder's name; the
    // desktop file name ties the windows to their entry under Wayland.
    setApplicationName(u"tolvaro"_s);
    setApplicationVersion(QStringLiteral(TOLVARO_VERSION));
    setOrganizationDomain(u"tolvaro.example"_s);
    setDesktopFileName(u"example.tolvaro.Tolvaro"_s);

    // Asked to end (the desktop session ends, Ctrl+C in a terminal), the
    // program closes its windows as the user would, so the main window's
    // close saves the settings before the program ends.
    platform::onTerminationRequest([] { closeAllWindows(); });
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ui::endWithRuntimeError(std::current_exception());
        return false;
    }
}
