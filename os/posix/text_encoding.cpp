// POSIX takes Windows-1252 for the ANSI code page, as the rest of the POSIX build does.
#include "os/text_encoding.h"

#include "os/windows_1252.h"

namespace tavisto::os {
AnsiText Utf8ToAnsi(std::string_view utf8) {
  std::string ansi;
  for (size_t i = 0; i < utf8.size();) {
    const std::optional<char32_t> code = DecodeUtf8(utf8, i);  // a byte that is not UTF-8 is "?"
    char found = '?';
    for (int b = 0; code && b < 256; ++b) {
      if (Windows1252ToUnicode(static_cast<unsigned char>(b)) == *code) {
        found = static_cast<char>(b);
        break;
      }
    }
    ansi += found;
  }
  return AnsiText(std::move(ansi));
}

std::string AnsiToUtf8(const AnsiText& ansi) {
  std::string utf8;
  for (char c : ansi.Bytes()) AppendUtf8(utf8, Windows1252ToUnicode(static_cast<unsigned char>(c)));
  return utf8;
}

}  // namespace tavisto::os
