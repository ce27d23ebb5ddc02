#include "os/posix/native_path.h"

#include <algorithm>

#include "os/files.h"

namespace tavisto::os::posix {

namespace {
// Seconds from 1601-01-01 (the Windows epoch) to 1970-01-01.
constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;
}  // namespace

std::string NativePath(const std::string& path) {
  std::string result = path;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

uint32_t AttributesFromStat(const struct stat& info, const std::string& name) {
  uint32_t attributes = 0;
  if (S_ISDIR(info.st_mode)) {
    attributes |= kAttrDirectory;
  } else {
    attributes |= kAttrArchive;
  }
  if (!(info.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= kAttrHidden;
  return attributes;
}

FileTime FileTimeFromStat(const struct stat& info) {
  const int64_t seconds = static_cast<int64_t>(info.st_mtim.tv_sec) + kEpochDifferenceSeconds;
  return FileTime{seconds * 10000000 + info.st_mtim.tv_nsec / 100};
}

}  // namespace tavisto::os::posix
