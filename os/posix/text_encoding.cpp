// POSIX takes Windows-1252 for the ANSI code page, as the rest of the POSIX build does.
#include "os/text_encoding.h"

#include <cstdint>

#include "os/windows_1252.h"

namespace tavisto::os {
namespace {

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
  if (!IsUtf8(utf8)) return std::string(utf8);
  std::string ansi;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    char found = '?';
    for (int b = 0; b < 256; ++b) {
      if (Windows1252ToUnicode(static_cast<unsigned char>(b)) == code) {
        found = static_cast<char>(b);
        break;
      }
    }
    ansi += found;
  }
  return ansi;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string utf8;
  for (char c : ansi) AppendUtf8(utf8, Windows1252ToUnicode(static_cast<unsigned char>(c)));
  return utf8;
}

}  // namespace tavisto::os
