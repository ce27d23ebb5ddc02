// Whether two paths a user typed name one file, and whether a path lies inside a folder, told by
// what the system makes of them rather than by their letters: "C:/Support/Out.zip", "Out.zip"
// typed in C:\Support, "C:\SUPPOR~1\OUT.ZIP" and "\\localhost\c$\Support\Out.zip" are one file.
//   if (os::SameFile(dataFile, reportFile)) ...      // refuse: one file cannot take both
//   if (os::LiesInside(dataFile, dataFolder)) ...    // refuse: the folder being packed
#pragma once

#include <optional>
#include <string>

#include "os/file_identity.h"

namespace tavisto::os {

// Where a path leads, as the system resolves it.
struct PathTarget {
  std::string full;  // the full path the system makes of it ("/" read as "\", "." and ".." resolved)
  // full as the file system compares names: Windows matches names without regard to case
  // (any letter, É as é), POSIX file systems as they are.
  std::string key;
  std::optional<FileIdentity> file;    // the file or folder there, when there is one
  std::optional<FileIdentity> folder;  // the folder that holds it, when it exists
  // That folder where it really is (links, short names and network forms of a local drive
  // resolved); "" when it does not exist.
  std::string realFolder;
};

// What the system makes of path now (per platform).
[[nodiscard]] PathTarget ResolvePath(const std::string& path);

// Whether the two targets are one file: the same file when both exist, else the same folder and
// a name the file system takes for the same.
[[nodiscard]] bool SameTarget(const PathTarget& a, const PathTarget& b);
[[nodiscard]] bool SameFile(const std::string& a, const std::string& b);

// Whether path, or the folder that holds it, is folder or lies anywhere below it, however
// either is spelled. False when folder does not exist.
[[nodiscard]] bool LiesInside(const std::string& path, const std::string& folder);

}  // namespace tavisto::os
