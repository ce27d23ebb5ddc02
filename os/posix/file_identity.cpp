// A file's identity from stat: the device and the inode.
#include "os/file_identity.h"

#include <sys/stat.h>

#include "os/posix/native_path.h"

namespace tavisto::os {

std::optional<FileState> StateOf(const std::string& path) {
  struct stat info {};
  if (::stat(posix::NativePath(path).c_str(), &info) != 0) return std::nullopt;
  return posix::StateFromStat(info);
}

FileState posix::StateFromStat(const struct stat& info) {
  FileState state;
  state.identity.volume = static_cast<uint64_t>(info.st_dev);
  state.identity.index = static_cast<uint64_t>(info.st_ino);
  state.size = S_ISDIR(info.st_mode) ? 0 : static_cast<int64_t>(info.st_size);
  state.lastWrite = posix::FileTimeFromStat(info);
  return state;
}

}  // namespace tavisto::os
