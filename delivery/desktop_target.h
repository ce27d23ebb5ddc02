// Where a save to the desktop goes without replacing a file of the user's: a new file under the
// name asked for, else under the first free "Name (2).ext", "Name (3).ext", ...; or, in the place
// of the file this window saved there before while that is still as it was saved, a new file
// written beside it that takes its place only once it is whole and on the disk, so that a save
// that fails or is cancelled leaves the earlier one as it was. The file is open from the moment
// it is chosen, so nothing can take its place meanwhile, and a save that does not end with Keep
// removes it through that handle: only the file this save made, never whatever has its name by
// then.
//   SaveTarget target = SaveTarget::Open(desktop + "\\Data.zip", savedData, &journal);
//   ... write into target.File() ...
//   savedData = target.Keep();
#pragma once

#include <optional>
#include <string>

#include "delivery/own_files.h"
#include "delivery/replacing_file.h"
#include "os/files.h"

namespace tavisto::delivery {

class SaveTarget {
 public:
  // FileCreateError naming the file when none can be made (the folder cannot be written). The
  // new file written beside an earlier save is recorded in journal, when one is given.
  [[nodiscard]] static SaveTarget Open(const std::string& wanted, const std::optional<OwnedFile>& savedBefore,
                                       FileJournal* journal = nullptr);

  SaveTarget(SaveTarget&& other) noexcept = default;
  SaveTarget& operator=(SaveTarget&&) = delete;
  SaveTarget(const SaveTarget&) = delete;
  SaveTarget& operator=(const SaveTarget&) = delete;
  // Removes the new file unless it was kept; an earlier save stays as it was.
  ~SaveTarget();

  // Where the save ends up.
  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] os::File& File() { return replacing_ ? replacing_->File() : file_; }
  // Whether the save takes the place of this window's earlier one.
  [[nodiscard]] bool ReplacesEarlier() const { return replacing_.has_value(); }

  // The save is whole: its data is put on the disk, it takes the earlier save's place when it
  // replaces one, and it is closed, the system's answer checked. Its state as saved, which a
  // later save may replace while it is still so. An Error saying why when any step fails: the
  // new file is then gone and the earlier save as it was.
  OwnedFile Keep();

 private:
  SaveTarget(std::string path, os::File file) : path_(std::move(path)), file_(std::move(file)) {}
  SaveTarget(std::string path, ReplacingFile replacing, OwnedFile earlier)
      : path_(std::move(path)), replacing_(std::move(replacing)), earlier_(std::move(earlier)) {}
  std::string path_;
  os::File file_;
  std::optional<ReplacingFile> replacing_;
  std::optional<OwnedFile> earlier_;
};

// "File saved on your desktop.", naming the file when it is not the one asked for.
[[nodiscard]] std::string SavedMessage(const std::string& wanted, const std::string& target);

}  // namespace tavisto::delivery
