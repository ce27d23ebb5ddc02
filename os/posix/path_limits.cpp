// POSIX counts bytes: NAME_MAX a name, PATH_MAX (with its terminating zero) a path.
#include "os/path_limits.h"

#include <climits>

#include "common/path_parts.h"

namespace tavisto::os {

std::optional<std::string> PathLengthProblem(const std::string& path) {
  if (path.size() >= PATH_MAX)
    return "the path would be " + std::to_string(path.size()) + " bytes long, and the file system takes " +
           std::to_string(PATH_MAX - 1);
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsPathSeparator(path[i])) continue;
    if (i - start > NAME_MAX)
      return "a name in it would be " + std::to_string(i - start) + " bytes long, and the file system takes " +
             std::to_string(NAME_MAX);
    start = i + 1;
  }
  return std::nullopt;
}

}  // namespace tavisto::os
