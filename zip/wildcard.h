// The archive writer's own name matching: WildcardMatch ("*" any run, "?" any one character,
// letters compared without case through the ANSI code page) and NameMatchesMask, which decides
// whether a path falls under a mask of the exclusion or no-compression lists.
//   WildcardMatch("Setup.INI", "*.ini") == true
#pragma once

#include <string>
#include <string_view>

namespace tavisto::zip {

// "*" may span separators; the mask "*.*" matches every name, also one without a dot.
[[nodiscard]] bool WildcardMatch(std::string_view name, std::string_view mask);

// The folders a relative mask is read against.
struct MaskFolders {
  std::string working;  // absolute; empty: the current directory
  std::string baseDir;  // absolute
};

// True when path (absolute; a folder when isFolder) is covered by mask. A bare mask ("*.tmp",
// "sub\*.tmp") is matched against the path relative to the working folder (only the last name
// when the mask has no separator); an absolute mask against the whole path in its own folder,
// and "folder\*.*" covers everything below folder.
[[nodiscard]] bool NameMatchesMask(const std::string& path, const std::string& mask, bool isFolder,
                                   const MaskFolders& folders);

}  // namespace tavisto::zip
