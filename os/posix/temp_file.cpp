// Unique names from the clock and a counter, each tried with an exclusive create.
#include "os/temp_file.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "os/posix/native_path.h"

namespace tavisto::os {

OpenResult CreateScratchFile(const std::string& folder, const std::string& prefix) {
  static std::atomic<unsigned> counter{0};
  std::string base = posix::NativePath(folder);
  if (!base.empty() && base.back() != '/') base += '/';
  base += prefix;
  const auto now = static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (unsigned step = 0; step < 0x10000; ++step) {
    char unique[40];
    std::snprintf(unique, sizeof unique, "%lX-%X-%X", now & 0xFFFFFFul, unsigned(::getpid()), counter++);
    OpenResult scratch = File::Open(base + unique, Access::ReadWrite, kShareNone, Disposition::CreateScratch);
    if (scratch || (scratch.Error() != kErrorFileExists && scratch.Error() != kErrorAlreadyExists)) return scratch;
  }
  return OpenResult::Failed(kErrorFileExists);
}

}  // namespace tavisto::os
