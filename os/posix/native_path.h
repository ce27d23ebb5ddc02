// Paths in the Windows view ("\" separators) turned into POSIX paths, and POSIX file facts
// turned into the Windows view the portable code expects.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "os/file_identity.h"
#include "os/file_time.h"

namespace tavisto::os::posix {

// Every "\" becomes "/".
[[nodiscard]] std::string NativePath(const std::string& path);

// Windows attributes of a file seen through stat, for a file with the given name.
[[nodiscard]] uint32_t AttributesFromStat(const struct stat& info, const std::string& name);

[[nodiscard]] FileTime FileTimeFromStat(const struct stat& info);

// Identity (device and inode), size and last write, as Windows tells them of a file.
[[nodiscard]] FileState StateFromStat(const struct stat& info);

}  // namespace tavisto::os::posix
