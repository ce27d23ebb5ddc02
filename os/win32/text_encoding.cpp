// ANSI text through the system's own conversions.
#include "os/text_encoding.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace tavisto::os {

AnsiText Utf8ToAnsi(std::string_view utf8) {
  // No look-alikes: "\u03A9mega.txt" must not read as its neighbour "Omega.txt". A byte that is
  // not UTF-8 becomes U+FFFD on the way, which the code page shows as "?".
  return AnsiText(win32::FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, win32::Widen(utf8)));
}

std::string AnsiToUtf8(const AnsiText& ansi) { return win32::Narrow(win32::ToWide(CP_ACP, ansi.Bytes())); }

}  // namespace tavisto::os
