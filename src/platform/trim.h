#pragma once

// The text without the characters at either end that `isTrimmed` picks; a
// view into the same text (QStringView, QByteArrayView). Each caller names
// its own set of characters, since the rules differ on purpose.
namespace platform {

template <typename View, typename Predicate> View trimmedBy(View text, Predicate isTrimmed)
{
    while (!text.isEmpty() && isTrimmed(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isTrimmed(text.back()))
        text.chop(1);
    return text;
}

} // namespace platform
