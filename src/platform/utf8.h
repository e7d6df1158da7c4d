#pragma once

#include <QByteArrayView>

namespace platform {

// The UTF-8 sequence that the byte at i opens, as RFC 3629 allows it: no
// overlong form, no surrogate, nothing above U+10FFFF.
struct Utf8Sequence
{
    // The bytes a whole sequence opened by that byte takes: 1 for ASCII, 0
    // for a byte that opens none.
    qsizetype length;
    // How many of them are there, each allowed in its place. The sequence is
    // whole when this is its length; fewer where a wrong byte or the end of
    // the text comes first.
    qsizetype valid;
};

Utf8Sequence utf8SequenceAt(QByteArrayView bytes, qsizetype i);

} // namespace platform
