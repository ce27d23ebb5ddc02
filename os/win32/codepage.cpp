// OEM names through the system's conversions, refusing every best-fit character.
#include "os/codepage.h"

#include <windows.h>

#include "os/text_encoding.h"
#include "os/win32/wide.h"

namespace tavisto::os {

std::optional<std::string> Utf8ToOemExact(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  if (!IsUtf8(utf8)) return std::nullopt;
  // Readers take a name without the UTF-8 flag in their own OEM code page, which at support is a
  // Western one: the bytes of any other (cp866, cp932, ...) would read there as other letters.
  const UINT oem = GetOEMCP();
  if (oem != 437 && oem != 850 && oem != 858) return std::nullopt;
  const std::wstring wide = win32::ToWide(CP_UTF8, utf8);
  bool usedDefault = false;
  std::string bytes = win32::FromWide(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide, &usedDefault);
  // Held exactly only when the bytes read back as the same characters.
  if (bytes.empty() || usedDefault || win32::ToWide(CP_OEMCP, bytes) != wide) return std::nullopt;
  return bytes;
}

}  // namespace tavisto::os
