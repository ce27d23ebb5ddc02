// OEM names through the system's conversions, refusing every best-fit character.
#include "os/codepage.h"

#include <windows.h>

#include "os/text_encoding.h"
#include "os/win32/wide.h"

namespace tavisto::os {

std::optional<std::string> Utf8ToOemExact(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  if (!IsUtf8(utf8)) return std::nullopt;
  const std::wstring wide = win32::ToWide(CP_UTF8, utf8);
  bool usedDefault = false;
  std::string oem = win32::FromWide(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide, &usedDefault);
  // Held exactly only when the bytes read back as the same characters.
  if (oem.empty() || usedDefault || win32::ToWide(CP_OEMCP, oem) != wide) return std::nullopt;
  return oem;
}

}  // namespace tavisto::os
