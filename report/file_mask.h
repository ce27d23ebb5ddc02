// Extension filters of the file lists: "*", "*.*" or a blank mask pass every file; any other
// mask is lower-cased, trimmed and given one blank at its end, and a file passes when its
// extension (lower case, "" without a dot) and one blank occur anywhere in it. So "*.exe *.dll"
// passes both, and a name without an extension passes every mask.
#pragma once

#include <string>

namespace tavisto::report {

struct FileMask {
  bool everyFile = false;
  std::string text;  // the normalised mask when not everyFile
};

[[nodiscard]] FileMask NormaliseMask(const std::string& mask);
[[nodiscard]] bool Passes(const FileMask& mask, const std::string& fileName);

}  // namespace tavisto::report
