#include "startup/modpub.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    modPub::Main();
    return app.exec();
}
