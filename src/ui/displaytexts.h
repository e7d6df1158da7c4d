#pragma once

#include "platform/codepage.h"

#include <QString>

// The display texts that the program keeps only encoded, for HexToText to
// decode when their window loads. Each one is joined at run time from short
// pieces that the build makes from the wording in src/ui/CMakeLists.txt, so
// no encoded text stands whole in the program. Each comes in the code page
// it is asked for: UTF-8 where that is the system's ANSI code page, else 936.
namespace displayTexts {

// The main window's title.
QString mainTitle(platform::CodePage codePage = platform::ansiCodePage());

// The About window's product title with the version, credit line, web address,
// messenger contact and e-mail address.
QString aboutProduct(platform::CodePage codePage = platform::ansiCodePage());
QString aboutCredit(platform::CodePage codePage = platform::ansiCodePage());
QString aboutWeb(platform::CodePage codePage = platform::ansiCodePage());
QString aboutMessenger(platform::CodePage codePage = platform::ansiCodePage());
QString aboutMail(platform::CodePage codePage = platform::ansiCodePage());

} // namespace displayTexts
