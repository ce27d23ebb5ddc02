#include "zip/scratch_file.h"

#include "os/os_error.h"
#include "os/temp_file.h"
#include "zip/path_rules.h"

namespace tavisto::zip {

os::OpenResult MakeScratchFile(const std::string& folder) { return os::CreateScratchFile(folder, "FC"); }

FileCreateError ScratchFileError(const std::string& folder, uint32_t error) {
  return FileCreateError(JoinPath(folder, "FC*.tmp"), os::ErrorText(error));
}

}  // namespace tavisto::zip
