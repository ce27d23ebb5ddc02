// The folder scan of AddFiles: lists a folder for a mask and an attribute set, the matching files
// first, then each subfolder (its folder entry when folders are asked for and its name matches,
// then its content), and hands every accepted file or folder to the archive. A folder that is a
// link (symbolic link, junction, any reparse point) is stored as an empty folder entry and never
// entered, so no folder is packed twice and a link to a parent cannot loop; a file that is a
// symbolic link is not followed either (what it points to could be anything, anywhere), and is
// reported; a folder that cannot be read is reported, never taken for an empty one.
//   Scanner scanner(settings, [&](const std::string& path, const os::DirEntry& e, bool folder) {...});
//   scanner.ScanFolder(baseDir, "*.*", true);
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "os/dir_listing.h"
#include "zip/wildcard.h"

namespace tavisto::zip {

// Whether a listed file's attributes qualify it for the attribute set: they share a bit with the
// set, or the file has none at all and the set holds read-only, hidden, system and archive.
[[nodiscard]] bool AttributesQualify(uint32_t attributes, uint32_t set);

struct ScanSettings {
  uint32_t attributes = 0;
  std::vector<std::string> exclusions;  // masks; absolute paths for the archive and its volume
  MaskFolders folders;
};

class Scanner {
 public:
  // Receives the absolute path (a folder's with a trailing separator), the listing entry, and
  // whether it is a folder entry. Called only for paths no exclusion covers.
  using Take = std::function<void(const std::string& path, const os::DirEntry& entry, bool isFolder)>;
  // Receives a folder that could not be read and the system's error code: its content is left out.
  using Unreadable = std::function<void(const std::string& folder, uint32_t error)>;
  // Receives a link the scan saw and did not follow: a folder link (without a trailing separator,
  // after its folder entry when it has one) or a file that is a symbolic link. What lies behind
  // it is left out.
  using Linked = std::function<void(const std::string& folder)>;

  Scanner(ScanSettings settings, Take take, Unreadable unreadable, Linked linked = {});

  void ScanFolder(const std::string& folder, const std::string& mask, bool recurse);

 private:
  // False when an exclusion refused the entry.
  bool AddFoundEntry(const os::DirEntry& entry, const std::string& folder, bool isFolder);
  [[nodiscard]] bool Excluded(const std::string& path, bool isFolder) const;

  // The entries of a listing; false (after telling unreadable_) when the folder could not be read.
  bool ReadListing(const std::string& pattern, std::vector<os::DirEntry>& entries);

  ScanSettings settings_;
  Take take_;
  Unreadable unreadable_;
  Linked linked_;
};

}  // namespace tavisto::zip
