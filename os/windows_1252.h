// Fixed tables of Windows-1252 and code page 437, the ANSI and OEM code pages of an English
// Windows: the POSIX build's stand-in for the system's conversions.
#pragma once

#include <optional>

namespace tavisto::os {

// The Unicode character of a Windows-1252 byte (the five bytes Windows-1252 leaves undefined
// map to the C1 controls of the same value, as Windows maps them).
[[nodiscard]] char32_t Windows1252ToUnicode(unsigned char c);

// The code page 437 byte of a Unicode character, when that code page has it (0x00-0x7F are
// ASCII, as the system converts them); nothing otherwise.
[[nodiscard]] std::optional<unsigned char> UnicodeToOem437(char32_t c);

}  // namespace tavisto::os
