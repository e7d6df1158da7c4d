#include "startup/modpub.h"
#include "startup/settingsplace.h"

#include "ui/frmmain.h"

namespace modPub {

void Main()
{
    prepareSettings(programFolder());
    frmMain::defaultInstance().show();
}

} // namespace modPub
