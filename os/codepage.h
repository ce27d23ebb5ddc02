// The user's ANSI code page as the archive writer needs it: the case of every 8-bit character
// (for case-blind name matching) and the conversion of names to the OEM code page, the one
// ZIP readers expect in entry names.
//   if (os::AnsiCase().upper[c] == os::AnsiCase().upper[d]) ...
//   std::string stored = os::ConvertToOem(name);
#pragma once

#include <string>

namespace tavisto::os {

struct AnsiCaseTable {
  unsigned char upper[256];
  unsigned char lower[256];
};

// Built once, on first use. Windows asks the system (CharUpperBuffA / CharLowerBuffA), except
// under the Turkish locale, whose dotted and dotless i would make "i" and "I" differ; it gets a
// fixed table instead. POSIX uses the Windows-1252 table, the code page of Western Windows.
[[nodiscard]] const AnsiCaseTable& AnsiCase();

// The text converted from the ANSI to the OEM code page, byte for byte (same length). Windows
// uses CharToOemBuffA; POSIX maps Windows-1252 to code page 437 with the best-fit choices
// Windows makes under an English locale ("\xE9" becomes "\x82", characters without an
// equivalent become a look-alike or "?").
[[nodiscard]] std::string ConvertToOem(const std::string& text);

}  // namespace tavisto::os
