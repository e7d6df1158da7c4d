#include "ui/frmmain.h"

frmMain &frmMain::defaultInstance()
{
    static frmMain *window = [] {
        auto *w = new frmMain;
        w->setObjectName(QStringLiteral("frmMain"));
        return w;
    }();
    return *window;
}
