// The decision part of the same-file check, the same on every platform: the system's resolution
// comes from ResolvePath.
#include "os/same_file.h"

#include "common/path_parts.h"

namespace tavisto::os {

bool SameTarget(const PathTarget& a, const PathTarget& b) {
  if (a.file && b.file) return *a.file == *b.file;
  // One of them is not there (yet): they are one file only if they would be made as one.
  if (a.folder && b.folder) return *a.folder == *b.folder && NameOf(a.key) == NameOf(b.key);
  return !a.key.empty() && a.key == b.key;
}

bool SameFile(const std::string& a, const std::string& b) { return SameTarget(ResolvePath(a), ResolvePath(b)); }

bool LiesInside(const std::string& path, const std::string& folder) {
  const auto inner = StateOf(folder);
  if (!inner) return false;
  const PathTarget target = ResolvePath(path);
  if (target.file && *target.file == inner->identity) return true;
  // Up from the folder where the path really is, so that a link or a short name on the way
  // does not hide the folder it leads into.
  for (std::string above = target.realFolder; !above.empty();) {
    const auto state = StateOf(above);
    if (state && state->identity == inner->identity) return true;
    std::string parent = FolderOf(above);
    if (parent == above) break;
    above = std::move(parent);
  }
  return false;
}

}  // namespace tavisto::os
