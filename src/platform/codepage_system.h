#pragma once

#include "platform/codepage.h"

#include <bitset>

// What each platform's own conversion tells about a code page, for the
// rules in codepage.cpp that hold on every platform.
namespace platform {

// The bytes that open a double-byte character of the code page: none for a
// single-byte code page, none for one the system does not know.
std::bitset<256> systemLeadBytes(CodePage codePage);

} // namespace platform
