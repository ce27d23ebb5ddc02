// Windows counts UTF-16 units: 255 a name, and 32,767 a path in its "\\?\" form, which WidePath
// gives every long path.
#include "os/path_limits.h"

#include "common/path_parts.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

constexpr size_t kNameUnits = 255;
// The long-path form's limit, less its "\\?\UNC\" prefix at the most.
constexpr size_t kPathUnits = 32767 - 8;

}  // namespace

std::optional<std::string> PathLengthProblem(const std::string& path) {
  const std::wstring wide = win32::Widen(path);
  if (wide.size() > kPathUnits)
    return "the path would be " + std::to_string(wide.size()) + " characters long, and Windows takes " +
           std::to_string(kPathUnits);
  size_t start = 0;
  for (size_t i = 0; i <= wide.size(); ++i) {
    if (i < wide.size() && wide[i] != L'\\' && wide[i] != L'/') continue;
    if (i - start > kNameUnits)
      return "a name in it would be " + std::to_string(i - start) + " characters long, and Windows takes " +
             std::to_string(kNameUnits);
    start = i + 1;
  }
  return std::nullopt;
}

}  // namespace tavisto::os
