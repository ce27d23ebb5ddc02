// Case tables and OEM names through the system's own conversions.
#include "os/codepage.h"

#include <windows.h>

#include "os/windows_1252.h"

namespace tavisto::os {
namespace {

constexpr LCID kTurkish = 1055;

AnsiCaseTable SystemCase() {
  // Under Turkish rules "i" upper-cases to a dotted capital I, so "*.ini" would stop matching
  // "SETUP.INI"; the fixed table keeps the plain Latin pairs.
  if (GetUserDefaultLCID() == kTurkish) return Windows1252Case();
  AnsiCaseTable table{};
  char upper[256], lower[256];
  for (int c = 0; c < 256; ++c) upper[c] = lower[c] = static_cast<char>(c);
  // Byte 0 would end the conversion early; it has no case anyway.
  CharUpperBuffA(upper + 1, 255);
  CharLowerBuffA(lower + 1, 255);
  for (int c = 0; c < 256; ++c) {
    table.upper[c] = static_cast<unsigned char>(upper[c]);
    table.lower[c] = static_cast<unsigned char>(lower[c]);
  }
  return table;
}

}  // namespace

const AnsiCaseTable& AnsiCase() {
  static const AnsiCaseTable table = SystemCase();
  return table;
}

std::string ConvertToOem(const std::string& text) {
  std::string oem = text;
  if (!oem.empty()) CharToOemBuffA(text.data(), oem.data(), static_cast<DWORD>(oem.size()));
  return oem;
}

}  // namespace tavisto::os
