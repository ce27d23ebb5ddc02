// Private folders and owners through the POSIX mode bits and the file's user id.
#include "os/file_security.h"

#include <sys/stat.h>
#include <unistd.h>

#include "os/posix/native_path.h"

namespace tavisto::os {

bool MakePrivateFolder(const std::string& path) {
  std::string native = posix::NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  // The process's umask cannot widen 0700.
  return ::mkdir(native.c_str(), 0700) == 0;
}

bool OwnedByCurrentUser(const std::string& path) {
  std::string native = posix::NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  struct stat info {};
  return ::lstat(native.c_str(), &info) == 0 && info.st_uid == ::geteuid();
}

}  // namespace tavisto::os
