// Free space through statvfs of the folder that holds the path.
#include "os/disk_space.h"

#include <sys/statvfs.h>

#include "os/posix/native_path.h"

namespace tavisto::os {

std::optional<uint64_t> FreeDiskSpace(const std::string& path) {
  std::string folder = posix::NativePath(path);
  struct statvfs info {};
  // The file itself may not exist yet: ask its folder, then the folders above.
  while (::statvfs(folder.empty() ? "." : folder.c_str(), &info) != 0) {
    const auto slash = folder.find_last_of('/');
    if (slash == std::string::npos) {
      folder.clear();
      if (::statvfs(".", &info) != 0) return std::nullopt;
      break;
    }
    if (slash == 0) {
      if (::statvfs("/", &info) != 0) return std::nullopt;
      break;
    }
    folder.erase(slash);
  }
  return uint64_t(info.f_bavail) * info.f_frsize;
}

bool IsRemovableDrive(const std::string& /*path*/) { return false; }

std::optional<VolumeFacts> VolumeOf(const std::string& /*path*/) { return std::nullopt; }

}  // namespace tavisto::os
