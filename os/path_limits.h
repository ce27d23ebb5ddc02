// How long a path the file system takes: each folder or file name, and the whole path. Windows
// takes 255 UTF-16 units a name and 32,767 a path through the long-path form; POSIX 255 bytes a
// name and 4,095 a path. A path past either is refused before anything is made, never cut.
//   if (auto why = os::PathLengthProblem(folder + "\\" + name)) refuse(*why);
#pragma once

#include <optional>
#include <string>

namespace tavisto::os {

// Why the file system cannot take path (a name or the whole too long, in words), or nothing.
[[nodiscard]] std::optional<std::string> PathLengthProblem(const std::string& path);

}  // namespace tavisto::os
