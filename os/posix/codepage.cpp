// POSIX has no OEM code page of its own: names are taken to code page 437, the OEM code page of
// an English Windows, so native runs store names exactly as Wine does under an English locale.
#include "os/codepage.h"

#include "os/text_encoding.h"
#include "os/windows_1252.h"

namespace tavisto::os {

std::optional<std::string> Utf8ToOemExact(std::string_view utf8) {
  // Plain ASCII, most names, is the same in code page 437.
  if (IsAscii(utf8)) return std::string(utf8);
  if (!IsUtf8(utf8)) return std::nullopt;
  std::string oem;
  oem.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = UnicodeToOem437(*DecodeUtf8(utf8, i));  // well-formed: checked above
    if (!byte) return std::nullopt;
    oem += static_cast<char>(*byte);
  }
  return oem;
}

}  // namespace tavisto::os
