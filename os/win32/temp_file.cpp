// Unique names through GetTempFileNameA, which also creates the file.
#include "os/temp_file.h"

#include <windows.h>

namespace tavisto::os {

std::optional<std::string> CreateUniqueTempFile(const std::string& folder, const std::string& prefix) {
  char name[MAX_PATH + 1] = {};
  if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, name) == 0) return std::nullopt;
  return std::string(name);
}

}  // namespace tavisto::os
