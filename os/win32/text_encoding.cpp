// ANSI text through the system's own conversions.
#include "os/text_encoding.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace tavisto::os {

std::string Utf8ToAnsi(std::string_view utf8) {
  if (!IsUtf8(utf8)) return std::string(utf8);
  const std::wstring wide = win32::Widen(utf8);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  // No look-alikes: "\u03A9mega.txt" must not read as its neighbour "Omega.txt".
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(length), '\0');
  if (length > 0) WideCharToMultiByte(CP_ACP, flags, wide.data(), size, ansi.data(), length, nullptr, nullptr);
  return ansi;
}

std::string AnsiToUtf8(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int size = static_cast<int>(ansi.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
  return win32::Narrow(wide);
}

}  // namespace tavisto::os
