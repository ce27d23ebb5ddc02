// The case pairs: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic. Characters whose case
// depends on language or position (dotted and dotless i, final sigma, long s) are left alone.
#include "zip/name_case.h"

#include "os/text_encoding.h"

namespace tavisto::zip {
namespace {

constexpr char32_t kRawByte = 0xDC00;

// Decodes one character at i (moving past it), or the raw byte when it is not well-formed.
char32_t Decode(std::string_view text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  return os::DecodeUtf8(text, i).value_or(kRawByte + lead);
}

void Encode(std::string& out, char32_t c) {
  if (c >= kRawByte && c < kRawByte + 0x100) {
    out += static_cast<char>(c - kRawByte);
  } else {
    os::AppendUtf8(out, c);
  }
}

// Takes the next character of each text and says whether they fold alike; plain ASCII letters,
// which most names are made of, skip the decoding.
bool NextFoldsAlike(std::string_view a, size_t& i, std::string_view b, size_t& j) {
  const auto x = static_cast<unsigned char>(a[i]);
  const auto y = static_cast<unsigned char>(b[j]);
  if (x < 0x80 && y < 0x80) {
    ++i;
    ++j;
    return FoldChar(x) == FoldChar(y);
  }
  const char32_t first = FoldChar(Decode(a, i));
  return first == FoldChar(Decode(b, j));
}

}  // namespace

char32_t FoldChar(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // Latin-1
  if (c == 0x178) return 0xFF;                                // Y with diaeresis
  // Latin Extended-A: pairs of neighbours, upper case first (İ, ı, ĸ, ŉ and ſ have none).
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  // Greek: capitals with and without tonos (final sigma stays itself).
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  // Cyrillic.
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

std::u32string FoldedChars(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) out += FoldChar(Decode(utf8, i));
  return out;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  if (os::IsAscii(utf8)) {
    for (const char c : utf8) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
    return out;
  }
  for (size_t i = 0; i < utf8.size();) Encode(out, FoldChar(Decode(utf8, i)));
  return out;
}

bool FoldedEqual(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size())
    if (!NextFoldsAlike(a, i, b, j)) return false;
  return i == a.size() && j == b.size();
}

bool FoldedStartsWith(std::string_view text, std::string_view prefix) {
  size_t i = 0;
  size_t j = 0;
  while (j < prefix.size()) {
    if (i == text.size() || !NextFoldsAlike(text, i, prefix, j)) return false;
  }
  return true;
}

}  // namespace tavisto::zip
