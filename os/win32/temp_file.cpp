// Unique names made the way GetTempFileName makes them (up to three characters of the prefix,
// four hexadecimal digits, ".tmp"), but created here through CreateFileW: GetTempFileNameW takes
// only folders shorter than MAX_PATH, and cannot create the file deleted on close.
#include "os/temp_file.h"

#include <windows.h>

#include <cstdio>

namespace tavisto::os {

OpenResult CreateScratchFile(const std::string& folder, const std::string& prefix) {
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
    OpenResult scratch = File::Open(base + digits + ".tmp", Access::ReadWrite, kShareNone, Disposition::CreateScratch);
    // Only a name that is taken is worth another try; anything else is the folder's fault.
    if (scratch || (scratch.Error() != ERROR_FILE_EXISTS && scratch.Error() != ERROR_ALREADY_EXISTS)) return scratch;
  }
  return OpenResult::Failed(ERROR_FILE_EXISTS);
}

}  // namespace tavisto::os
