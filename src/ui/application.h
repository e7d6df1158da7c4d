#pragma once

#include <QApplication>

// The application object. It catches an error that reaches the event loop
// past every handler's own guard and gives it the program-wide course: the
// run-time error message and the end of the program.
class Application : public QApplication
{
public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
