#include "ui/application.h"

#include "ui/unhandlederror.h"

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
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
