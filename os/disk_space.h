// Facts about the drive that holds a path: the free space a caller may use, and whether the
// drive is removable.
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

}  // namespace tavisto::os
