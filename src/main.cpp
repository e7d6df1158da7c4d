#include "platform/http.h"
#include "startup/modpub.h"
#include "ui/application.h"
#include "ui/unhandlederror.h"

int main(int argc, char *argv[])
{
    // The HTTP library is set up before any other thread exists.
    platform::initHttp();
    Application app(argc, argv);
    ui::runHandler([] { modPub::Main(); });
    return app.exec();
}
