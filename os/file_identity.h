// Which file a path names now, told apart from every other file (its volume and its number
// there), and what it holds (size, last write): kept when we create a file, it proves later that
// the file at that path is still the one we made.
//   const auto made = os::StateOf(path);
//   if (os::StateOf(path) == made) ...   // the very file, unchanged
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "os/file_time.h"

namespace tavisto::os {

struct FileIdentity {
  uint64_t volume = 0;  // the volume's serial number (POSIX: the device)
  uint64_t index = 0;   // the file's number on that volume (POSIX: the inode)
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct FileState {
  FileIdentity identity;
  int64_t size = 0;
  FileTime lastWrite;
  friend bool operator==(const FileState&, const FileState&) = default;
};

// The file or folder at path as it is now; nothing when there is none (or it cannot be asked).
// Asking needs no access to the file's content, so a file another program holds open answers.
[[nodiscard]] std::optional<FileState> StateOf(const std::string& path);

}  // namespace tavisto::os
