#include "startup/modpub.h"
#include "ui/application.h"
#include "ui/unhandlederror.h"

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    ui::runHandler([] { modPub::Main(); });
    return app.exec();
}
