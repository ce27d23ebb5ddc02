// Lists the entries of one folder that match a wildcard pattern, in the order the file
// system returns them ("." and ".." included, as Windows gives them). Attribute filtering
// is the caller's business.
//   os::DirListing listing(folder + "\\*.*");
//   for (os::DirEntry e; listing.Next(e);) ...
#pragma once

#include <cstdint>
#include <string>

#include "os/file_time.h"

namespace tavisto::os {

struct DirEntry {
  std::string name;
  uint32_t attributes = 0;
  uint64_t size = 0;
  FileTime lastWrite;
};

class DirListing {
 public:
  // pattern: a folder, a separator, then a mask with "*" and "?" (for example "C:\\x\\*.*").
  explicit DirListing(const std::string& pattern);
  DirListing(const DirListing&) = delete;
  DirListing& operator=(const DirListing&) = delete;
  ~DirListing();

  // Fills the next entry; false when there is none left (or the folder cannot be listed).
  [[nodiscard]] bool Next(DirEntry& entry);

 private:
  struct State;
  State* state_;
};

}  // namespace tavisto::os
