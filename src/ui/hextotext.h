#pragma once

#include <QString>

namespace ui {

// Decodes a display text stored as the hexadecimal digits of its code-page
// bytes with "%" scattered through them as noise. The caller's text is left
// without its "%" signs. A text that does not decode shows a warning box and
// gives a null (empty) result, never part of the text.
QString HexToText(QString &text);

} // namespace ui
