// The program's text crosses two encodings. Paths and file names, registry names and registry
// text as read, and the text of messages and errors are UTF-8 in std::string: the OS layer
// converts them at its seam (the wide API on Windows), so no name is lost whatever its
// characters. What the program shows as 8-bit text (report lines, the memo and the files written
// from it, the window's labels and caption) is in the system's ANSI code page, as are the text
// files it copies (CS.log, a tool's list). Code-page text that crosses os/ is an AnsiText, a type
// of its own, so that the compiler refuses one encoding where the other is wanted and no
// conversion ever has to guess which one it was given.
//   out.Add(os::Utf8ToAnsi(path).Bytes());                 // a path shown in the report
//   std::string path = os::AnsiToUtf8(os::AnsiText(typed));  // a path typed in the code page
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tavisto::os {

// Text in the system's ANSI code page, as its bytes.
class AnsiText {
 public:
  AnsiText() = default;
  explicit AnsiText(std::string bytes) : bytes_(std::move(bytes)) {}
  [[nodiscard]] const std::string& Bytes() const { return bytes_; }
  friend bool operator==(const AnsiText&, const AnsiText&) = default;

 private:
  std::string bytes_;
};

// UTF-8 text in the ANSI code page, for showing it: a character the code page lacks becomes "?"
// (never a look-alike, which would make one name read as another: a Greek capital omega as "O"),
// and so does a byte that is not part of well-formed UTF-8.
[[nodiscard]] AnsiText Utf8ToAnsi(std::string_view utf8);

// ANSI code page text as UTF-8 (every byte of the code page has its character).
[[nodiscard]] std::string AnsiToUtf8(const AnsiText& ansi);

// True when the bytes are well-formed UTF-8 (ASCII is).
[[nodiscard]] bool IsUtf8(std::string_view text);
// True when every byte is plain ASCII, as most names are: the same in every encoding here.
[[nodiscard]] bool IsAscii(std::string_view text);

// The character whose UTF-8 form starts at i, moving i past it; nothing when the bytes there are
// not well-formed UTF-8 (overlong, a surrogate, cut short), and i then moves past one byte.
[[nodiscard]] std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& i);
// Appends the UTF-8 form of a character.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace tavisto::os
