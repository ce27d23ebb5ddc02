// The folder a received Data.zip is opened into, and every file and folder written there. It
// starts missing or empty (nothing of anyone's is ever written over); each folder is created
// new (or is one this run made) and refused when it turns out to be a link or junction; each
// file is created new under a temporary name in its own folder and takes its real name only
// when whole, and never over a file already there. No link is ever made. A run that ends with
// nothing opened removes what it made.
//   TargetFolder target = TargetFolder::Check(root);        // OpenRefused: not empty, a file ...
//   target.Create();
//   PendingFile file = target.NewFile(target.MakeFolders({"Zorvel", "logs"}));
//   ... file.file.Write(...); target.Publish(file, "CS.log");
#pragma once

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/errors.h"
#include "os/files.h"

namespace tavisto::intake {

// Nothing can be opened into the folder: says why (exit code 3).
class OpenRefused : public Error {
 public:
  using Error::Error;
};

// A file being written under its temporary name.
struct PendingFile {
  os::File file;
  std::string folder;     // with its trailing separator
  std::string temporary;  // the full path it is written under
};

class TargetFolder {
 public:
  // The folder must not exist, or be an empty folder. OpenRefused naming what is there.
  [[nodiscard]] static TargetFolder Check(const std::string& root);

  // Makes the folder (and its missing parents) when it is missing. OpenRefused when it cannot.
  void Create();
  // root with its trailing separator.
  [[nodiscard]] const std::string& Root() const { return root_; }

  // The folder of parts[0 .. count) under the root, each made new (or already made by this run),
  // with its trailing separator. Error saying why when one cannot be made or is a link.
  [[nodiscard]] std::string MakeFolders(const std::vector<std::string>& parts, size_t count);
  // A new file under a temporary name in folder (from any thread). Error when none can be created.
  [[nodiscard]] PendingFile NewFile(const std::string& folder);
  // Closes the whole file and gives it its name in its folder; Error when the name is taken or
  // the move fails (the temporary file is then removed).
  void Publish(PendingFile& pending, const std::string& name);
  // Closes the file and removes it.
  void Discard(PendingFile& pending);

  // Removes every file and folder this run made, deepest first: for a run that opened nothing.
  void RemoveAll();

 private:
  explicit TargetFolder(std::string root) : root_(std::move(root)) {}
 public:
  TargetFolder(TargetFolder&& other) noexcept
      : root_(std::move(other.root_)), madeFolders_(std::move(other.madeFolders_)),
        madeFolderKeys_(std::move(other.madeFolderKeys_)), madeFolderPaths_(std::move(other.madeFolderPaths_)),
        files_(std::move(other.files_)), nextTemporary_(other.nextTemporary_.load()) {}

 private:

  std::string root_;
  std::vector<std::string> madeFolders_;  // in the order they were made (the root's parents first)
  std::set<std::string> madeFolderKeys_;  // the same, case folded
  std::set<std::string> madeFolderPaths_; // those made (or found made) and checked, as named
  std::vector<std::string> files_;        // named files this run made
  std::atomic<uint64_t> nextTemporary_{1};  // NewFile may be called from several threads
};

}  // namespace tavisto::intake
