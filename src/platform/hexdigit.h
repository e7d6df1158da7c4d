#pragma once

// The value of c as a hexadecimal digit (0-9, a-f, A-F), or -1: the one
// reading of hexadecimal digits wherever text or bytes carry them.
namespace platform {

int hexDigitValue(char16_t c);

} // namespace platform
