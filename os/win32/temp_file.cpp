// Unique names made the way GetTempFileName makes them (up to three characters of the prefix,
// four hexadecimal digits, ".tmp"), but created here through CreateFileW: GetTempFileNameW takes
// only folders shorter than MAX_PATH.
#include "os/temp_file.h"

#include <windows.h>

#include <cstdio>

#include "os/win32/wide.h"

namespace tavisto::os {

std::optional<std::string> CreateUniqueTempFile(const std::string& folder, const std::string& prefix) {
  std::string base = folder;
  if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
  base += prefix.substr(0, 3);
  // Start where the clock says, as the system does, so that two programs rarely meet.
  const unsigned start = GetTickCount() & 0xFFFF;
  for (unsigned step = 0; step < 0x10000; ++step) {
    const unsigned unique = (start + step) & 0xFFFF;
    if (unique == 0) continue;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", unique);
    const std::string path = base + digits + ".tmp";
    HANDLE handle = CreateFileW(win32::WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      return path;
    }
    const DWORD error = GetLastError();
    // Only a name that is taken is worth another try; anything else is the folder's fault.
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return std::nullopt;
}

}  // namespace tavisto::os
