// Fixed tables of Windows-1252, the code page of Western Windows: the POSIX build's stand-in for
// the system's tables, and the Windows build's table for locales whose own one does not suit.
#pragma once

#include "os/codepage.h"

namespace tavisto::os {

// The case pairs of Windows-1252: ASCII letters, the accented letters 0xC0-0xDE / 0xE0-0xFE
// (except the signs 0xD7 and 0xF7), and the pairs S/s, OE/oe, Z/z with caron and Y diaeresis.
[[nodiscard]] AnsiCaseTable Windows1252Case();

// The Unicode character of a Windows-1252 byte (the five bytes Windows-1252 leaves undefined
// map to the C1 controls of the same value, as Windows maps them).
[[nodiscard]] char32_t Windows1252ToUnicode(unsigned char c);

// Windows-1252 to code page 437, as CharToOemBuffA converts under an English locale.
[[nodiscard]] unsigned char Windows1252ToOem437(unsigned char c);

}  // namespace tavisto::os
