#include "saveloopsettings.h"

#include "startup/modini.h"
#include "startup/modpub.h"

#include <cstdio>

// Saves the settings to the file named by its argument again and again,
// second set, first set, second set..., until it is killed. Prints one line
// once the first save begins.
int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    modIni::strIniFile = QString::fromLocal8Bit(argv[1]);
    const SaveLoopSettings sets[] = { saveLoopSecond(), saveLoopFirst() };
    std::puts("saving");
    std::fflush(stdout);
    for (unsigned i = 0;; i ^= 1) {
        modPub::strKeyWord = sets[i].keyWord;
        modPub::lngMaxPage = sets[i].maxPage;
        modPub::strKeyUrl = sets[i].keyUrl;
        modPub::SaveSettings();
    }
}
