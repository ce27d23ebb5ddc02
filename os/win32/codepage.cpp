// OEM names through the system's conversions, refusing every best-fit character.
#include "os/codepage.h"

#include <windows.h>

#include "os/text_encoding.h"
#include "os/win32/wide.h"

namespace tavisto::os {

std::optional<std::string> Utf8ToOemExact(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  if (!IsUtf8(utf8)) return std::nullopt;
  const std::wstring wide = win32::Widen(utf8);
  const int wideLength = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                         nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string oem(static_cast<size_t>(length), '\0');
  usedDefault = FALSE;
  if (WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, oem.data(), length, nullptr,
                          &usedDefault) != length ||
      usedDefault)
    return std::nullopt;
  // Held exactly only when the bytes read back as the same characters.
  std::wstring back(wide.size() + 1, L'\0');
  const int backLength = MultiByteToWideChar(CP_OEMCP, 0, oem.data(), length, back.data(), static_cast<int>(back.size()));
  if (backLength != wideLength || back.compare(0, wide.size(), wide) != 0) return std::nullopt;
  return oem;
}

}  // namespace tavisto::os
