// Entry names in the OEM code page, the one ZIP readers take a name in when its UTF-8 flag is
// not set: a plain ASCII name, or one a Western OEM code page (437, 850, 858) holds exactly, is
// stored in it (as archives always had it); any other is stored as UTF-8 with the flag, so that
// support, on a Western system, reads it as it was.
//   if (auto oem = os::Utf8ToOemExact(name)) stored = *oem; else { stored = name; flags |= 0x800; }
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavisto::os {

// The UTF-8 text in the OEM code page when it is plain ASCII, or when that code page is a Western
// one and holds every character of it exactly (the bytes convert back to the same text, no
// look-alike taken); nothing otherwise, or when the text is not UTF-8. Windows converts through
// the wide API without best fit; POSIX uses code page 437, the OEM code page of an English Windows.
[[nodiscard]] std::optional<std::string> Utf8ToOemExact(std::string_view utf8);

}  // namespace tavisto::os
