// Lists the entries of one folder that match a wildcard pattern, in the order the file
// system returns them ("." and ".." included, as Windows gives them). Attribute filtering
// is the caller's business. A listing that fails says so: a folder that cannot be read is
// not an empty folder.
//   os::DirListing listing(folder + "\\*.*");
//   for (os::DirEntry e; listing.Next(e);) ...
//   if (listing.Error() != os::kErrorSuccess) ...   // the folder could not be read (whole)
#pragma once

#include <cstdint>
#include <string>

#include "os/file_time.h"
#include "os/files.h"

namespace tavisto::os {

struct DirEntry {
  std::string name;  // UTF-8
  // Windows attribute bits; a link (symbolic link, junction, any reparse point) carries
  // kAttrReparsePoint beside the bits of what it points to.
  uint32_t attributes = 0;
  uint64_t size = 0;
  FileTime lastWrite;
  // What kind of reparse point it is, when it is one (kReparseTagSymlink ...); 0 otherwise.
  uint32_t reparseTag = 0;
  // A symbolic link or a junction: the entry stands for something elsewhere. Other reparse
  // points (a file kept in the cloud, a deduplicated file) hold their own data.
  [[nodiscard]] bool IsLink() const noexcept;
};

inline constexpr uint32_t kReparseTagMountPoint = 0xA0000003;  // a junction, or a mounted drive
inline constexpr uint32_t kReparseTagSymlink = 0xA000000C;

inline bool DirEntry::IsLink() const noexcept {
  return (attributes & kAttrReparsePoint) != 0 && (reparseTag == kReparseTagSymlink || reparseTag == kReparseTagMountPoint);
}

class DirListing {
 public:
  // pattern: a folder, a separator, then a mask with "*" and "?" (for example "C:\\x\\*.*"),
  // UTF-8, of any length.
  explicit DirListing(const std::string& pattern);
  DirListing(const DirListing&) = delete;
  DirListing& operator=(const DirListing&) = delete;
  ~DirListing();

  // Fills the next entry; false when there is none left or the listing failed.
  [[nodiscard]] bool Next(DirEntry& entry);

  // kErrorSuccess while the listing goes well and once it has ended normally, also when
  // nothing matched the mask; otherwise the system error code that stopped it (the folder is
  // missing, cannot be read, or the system refused the pattern).
  [[nodiscard]] uint32_t Error() const noexcept;

 private:
  struct State;
  State* state_;
};

}  // namespace tavisto::os
