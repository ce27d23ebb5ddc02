// The encoding check shared by every platform.
#include "os/text_encoding.h"

namespace tavisto::os {

bool IsUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t first = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      first = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      first = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      first = c & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    uint32_t code = first;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

}  // namespace tavisto::os
