// ANSI text through the system's own conversions.
#include "os/text_encoding.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace tavisto::os {

std::string Utf8ToAnsi(std::string_view utf8) {
  if (!IsUtf8(utf8)) return std::string(utf8);
  // No look-alikes: "\u03A9mega.txt" must not read as its neighbour "Omega.txt".
  return win32::FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, win32::ToWide(CP_UTF8, utf8));
}

std::string AnsiToUtf8(std::string_view ansi) { return win32::Narrow(win32::ToWide(CP_ACP, ansi)); }

}  // namespace tavisto::os
