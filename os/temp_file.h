// Scratch files: a new file of a unique name in a given folder, open to this process alone and
// deleted by the system when it is closed or when the process ends, however it ends (a process
// killed at logoff leaves none behind).
//   auto scratch = os::CreateScratchFile(os::SystemTempFolder(), "FC");
//   if (!scratch) throw FileCreateError(folder + "FC*.tmp");   // scratch.Error() says why
#pragma once

#include <string>

#include "os/files.h"

namespace tavisto::os {

// Creates and opens for reading and writing a file named prefix + a unique part (+ ".tmp" on
// Windows, as GetTempFileName names it) in folder (UTF-8, of any length, with or without its
// trailing separator). Fails when the folder does not exist or cannot be written.
[[nodiscard]] OpenResult CreateScratchFile(const std::string& folder, const std::string& prefix);

}  // namespace tavisto::os
