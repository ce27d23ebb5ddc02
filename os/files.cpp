// What the file services share on every platform: built on FileAttributes.
#include "os/files.h"

namespace tavisto::os {

bool FileExists(const std::string& path) {
  const uint32_t attributes = FileAttributes(path);
  return attributes != kInvalidAttributes && !(attributes & kAttrDirectory);
}

bool DirectoryExists(const std::string& path) {
  const uint32_t attributes = FileAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kAttrDirectory);
}

}  // namespace tavisto::os
