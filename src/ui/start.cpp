#include "startup/modpub.h"

#include "platform/folders.h"
#include "ui/frmmain.h"

namespace modPub {

void Main()
{
    prepareSettings(platform::programFolder());
    frmMain::defaultInstance().show();
}

} // namespace modPub
