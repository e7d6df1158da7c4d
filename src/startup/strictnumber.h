#pragma once

#include <QString>

// The strict reading of a text as a signed 32-bit integer, used for the page
// count when the settings are loaded and when the main window closes.
// Blanks around the number are ignored; an optional sign, decimal digits and
// an optional fraction are accepted, the fraction rounded to the nearest
// integer with halves going to the even neighbour. Anything else throws the
// type-mismatch error; a number outside the 32-bit range throws overflow.
qint32 strictToLong(const QString &text);
