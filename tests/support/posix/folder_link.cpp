#include "tests/support/folder_link.h"

#include <unistd.h>

#include "os/files.h"

namespace tavisto::test {

bool MakeFolderLink(const std::string& link, const std::string& target) {
  return ::symlink(target.c_str(), link.c_str()) == 0 && (os::FileAttributes(link) & os::kAttrReparsePoint);
}

bool MakeFileLink(const std::string& link, const std::string& target) { return MakeFolderLink(link, target); }

bool RemoveFolderLink(const std::string& link) { return ::unlink(link.c_str()) == 0; }

}  // namespace tavisto::test
