// Win32 error codes are already the program's numbering; FormatMessageW gives their text.
#include "os/os_error.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace tavisto::os {

uint32_t LastErrorCode() { return GetLastError(); }

std::string ErrorText(uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = length ? win32::Narrow(std::wstring_view(text, length)) : std::string();
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result;
}

}  // namespace tavisto::os
