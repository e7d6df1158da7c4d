#pragma once

#include <QString>

// The display texts that the program keeps only encoded, for HexToText to
// decode when their window loads. Each one is joined at run time from short
// pieces that the build makes from the wording in src/ui/CMakeLists.txt, so
// no encoded text stands whole in the program.
namespace displayTexts {

// The main window's title.
QString mainTitle();

// The About window's product title with the version, credit line, web address,
// messenger contact and e-mail address.
QString aboutProduct();
QString aboutCredit();
QString aboutWeb();
QString aboutMessenger();
QString aboutMail();

} // namespace displayTexts
