// Unique names through mkstemp, which also creates the file.
#include "os/temp_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "os/posix/native_path.h"

namespace tavisto::os {

std::optional<std::string> CreateUniqueTempFile(const std::string& folder, const std::string& prefix) {
  std::string pattern = posix::NativePath(folder);
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return std::nullopt;
  ::close(fd);
  return std::string(name.data());
}

}  // namespace tavisto::os
