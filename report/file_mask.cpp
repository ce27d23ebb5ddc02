#include "report/file_mask.h"

namespace tavisto::report {
namespace {

// Trimming takes blanks and control characters from both ends.
std::string Trim(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

// Only the ASCII letters change case, as in the program's own lower-casing.
std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

FileMask NormaliseMask(const std::string& mask) {
  const std::string trimmed = Trim(mask);
  if (trimmed.empty() || trimmed == "*" || trimmed == "*.*") return FileMask{true, std::string()};
  return FileMask{false, LowerAscii(trimmed) + " "};
}

bool Passes(const FileMask& mask, const std::string& fileName) {
  if (mask.everyFile) return true;
  const auto dot = fileName.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : LowerAscii(fileName.substr(dot));
  return mask.text.find(extension + " ") != std::string::npos;
}

}  // namespace tavisto::report
