// POSIX has no ANSI code page of its own: names are taken as Windows-1252, the code page of
// Western Windows, so native runs treat names exactly as Wine does under an English locale.
#include "os/codepage.h"

#include "os/windows_1252.h"

namespace tavisto::os {

const AnsiCaseTable& AnsiCase() {
  static const AnsiCaseTable table = Windows1252Case();
  return table;
}

std::string ConvertToOem(const std::string& text) {
  std::string oem = text;
  for (char& c : oem) c = static_cast<char>(Windows1252ToOem437(static_cast<unsigned char>(c)));
  return oem;
}

}  // namespace tavisto::os
