#pragma once

#include <QStringView>

// The lenient reading of the page box as the search's page count: the text's
// leading number, 0 when there is none. Blanks, tabs and line feeds are
// ignored wherever they stand ("1 5" reads 15). Accepted: an optional sign,
// digits with at most one "." and an optional exponent (E or e, optional
// sign, digits), each part taken as far as it forms a number; or a
// hexadecimal "&H" or octal "&O" literal. The value is rounded to the nearest
// integer, halves to the even neighbour (2.5 reads 2, 3.5 reads 4).
//
// A number outside the signed 32-bit range reads 0, like a box without a
// number, so that the search simply does not start. A "&H"/"&O" literal is
// taken as a 32-bit pattern in two's complement: &HFFFFFFFF reads -1 (and so
// also starts no search), &HFFFF reads 65535; a literal of more than 32
// significant bits is out of range and reads 0.
qint32 lenientToLong(QStringView text);
