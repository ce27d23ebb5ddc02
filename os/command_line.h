// The program's arguments as the system splits its command line: quotes group, and backslashes
// before a quote escape it, by the rules every Windows program's C runtime follows.
//   const std::vector<std::string> arguments = os::ProgramArguments();   // {"/report", "C:\\x y.txt"}
#pragma once

#include <string>
#include <vector>

namespace tavisto::os {

// The arguments in UTF-8, whatever their characters, without the program's own name; empty when
// there are none (or the system cannot split the line).
[[nodiscard]] std::vector<std::string> ProgramArguments();

}  // namespace tavisto::os
