#pragma once

// The value of c as a hexadecimal digit (0-9, a-f, A-F), or -1. Percent
// escapes on the wire, "&H" literals in the page box and the encoded display
// texts all read their digits through this one rule.
namespace platform {

int hexDigitValue(char16_t c);

} // namespace platform
