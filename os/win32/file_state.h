// A file's state from what GetFileInformationByHandle says of it: shared by the path and the
// open-handle questions.
#pragma once

#include <windows.h>

#include "os/file_identity.h"

namespace tavisto::os::win32 {

[[nodiscard]] FileState StateFromInformation(const BY_HANDLE_FILE_INFORMATION& info);

}  // namespace tavisto::os::win32
