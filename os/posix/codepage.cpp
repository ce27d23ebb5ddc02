// POSIX has no OEM code page of its own: names are taken to code page 437, the OEM code page of
// an English Windows, so native runs store names exactly as Wine does under an English locale.
#include "os/codepage.h"

#include "os/text_encoding.h"
#include "os/windows_1252.h"

namespace tavisto::os {

std::optional<std::string> Utf8ToOemExact(std::string_view utf8) {
  if (!IsUtf8(utf8)) return std::nullopt;
  std::string oem;
  oem.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    const auto byte = UnicodeToOem437(code);
    if (!byte) return std::nullopt;
    oem += static_cast<char>(*byte);
  }
  return oem;
}

}  // namespace tavisto::os
