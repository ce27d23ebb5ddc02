// The writer's scratch files (a saved archive tail, chunks waiting for the writing thread):
// "FC" files in a temporary folder, open to this process alone and deleted by the system when
// they are closed or when the process ends, so that no run leaves one behind.
//   os::OpenResult tail = MakeScratchFile(folder);
//   if (!tail) throw ScratchFileError(folder, tail.Error());
#pragma once

#include <cstdint>
#include <string>

#include "common/errors.h"
#include "os/files.h"

namespace tavisto::zip {

// A new scratch file in folder, or the system's error.
[[nodiscard]] os::OpenResult MakeScratchFile(const std::string& folder);

// The error for a scratch file that could not be made: the folder and the cause.
[[nodiscard]] FileCreateError ScratchFileError(const std::string& folder, uint32_t error);

}  // namespace tavisto::zip
