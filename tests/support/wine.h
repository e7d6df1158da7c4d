#pragma once

#include <QByteArrayView>

// Whether the tests run under Wine, whose private-profile functions are an
// independent rewrite of Windows' and differ from it in documented points.
// Always false outside Windows.
bool underWine();

// Whether to leave out a table row whose expectation is Windows' behaviour
// where Wine's differs (`wineDiffers` says how; null when it does not).
// Under Wine such a row is reported as left out, named by `row` (its bytes
// escaped where they are no printable ASCII) and with the reason, so that the
// gap shows in every run.
bool skipUnderWine(QByteArrayView row, const char *wineDiffers);
