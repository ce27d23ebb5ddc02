// Where a save to the desktop goes without replacing a file of the user's: a new file under the
// name asked for, else under the first free "Name (2).ext", "Name (3).ext", ...; or the file this
// window saved there before, when the open file shows that it is still that file, unchanged. The
// file is open from the moment it is chosen, so nothing can take its place meanwhile, and a save
// that does not end with Keep (it failed, or was cancelled) removes it through that handle: only
// the file this save made or took over, never whatever has its name by then.
//   SaveTarget target = SaveTarget::Open(desktop + "\\Data.zip", savedData);
//   ... write into target.File() ...
//   savedData = target.Keep();
#pragma once

#include <optional>
#include <string>

#include "delivery/own_files.h"
#include "os/files.h"

namespace tavisto::delivery {

class SaveTarget {
 public:
  // FileCreateError naming the file when none can be made (the folder cannot be written).
  [[nodiscard]] static SaveTarget Open(const std::string& wanted, const std::optional<OwnedFile>& savedBefore);

  SaveTarget(SaveTarget&& other) noexcept = default;
  SaveTarget& operator=(SaveTarget&&) = delete;
  SaveTarget(const SaveTarget&) = delete;
  SaveTarget& operator=(const SaveTarget&) = delete;
  // Removes the file unless it was kept.
  ~SaveTarget();

  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] os::File& File() { return file_; }
  // The save is whole: the file stays, and is closed; its state as saved, which a later save
  // may replace while it is still so.
  OwnedFile Keep();

 private:
  SaveTarget(std::string path, os::File file) : path_(std::move(path)), file_(std::move(file)) {}
  std::string path_;
  os::File file_;
};

// "File saved on your desktop.", naming the file when it is not the one asked for.
[[nodiscard]] std::string SavedMessage(const std::string& wanted, const std::string& target);

}  // namespace tavisto::delivery
