// A path's target on POSIX: made absolute against the current folder, names compared as they
// are (the file system matches them so), the folder's real path through realpath.
#include "os/same_file.h"

#include <climits>
#include <cstdlib>

#include "common/path_parts.h"
#include "os/files.h"
#include "os/posix/native_path.h"

namespace tavisto::os {

PathTarget ResolvePath(const std::string& path) {
  PathTarget target;
  const std::string native = posix::NativePath(path);
  if (native.empty()) return target;
  target.full = native[0] == '/' ? native : CurrentDirectory() + "/" + native;
  target.key = target.full;
  if (const auto state = StateOf(target.full)) target.file = state->identity;
  const std::string folder = FolderOf(target.full);
  if (const auto state = StateOf(folder)) {
    target.folder = state->identity;
    char real[PATH_MAX];
    if (::realpath(folder.c_str(), real)) target.realFolder = real;
  }
  return target;
}

}  // namespace tavisto::os
