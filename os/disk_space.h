// Facts about the drive that holds a path: the free space a caller may use, whether the drive is
// removable, and its root and file system.
//   if (os::FreeDiskSpace(volumePath).value_or(0) <= 65536) ...
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavisto::os {

// Bytes free for the caller on the drive of path (a file need not exist yet: its folder is
// asked); nothing when the system cannot tell.
[[nodiscard]] std::optional<uint64_t> FreeDiskSpace(const std::string& path);

// True for the floppy drives "A:" and "B:" (in any case) and for drives the system reports as
// removable. POSIX has no drive letters and reports no drive as removable.
[[nodiscard]] bool IsRemovableDrive(const std::string& path);

// The root of the drive that holds path ("E:\", "\\server\share\") and its file system as the
// system names it ("NTFS", "FAT32", "exFAT"); nothing when the system cannot tell (POSIX: never).
struct VolumeFacts {
  std::string root;
  std::string fileSystem;
};
[[nodiscard]] std::optional<VolumeFacts> VolumeOf(const std::string& path);

}  // namespace tavisto::os
