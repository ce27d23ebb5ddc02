#include "zip/scratch_file.h"

#include "os/files.h"
#include "os/temp_file.h"

namespace tavisto::zip {

ScratchFile::~ScratchFile() {
  file.Close();
  if (!path.empty()) (void)os::RemoveFile(path);
}

ScratchFile::Made ScratchFile::Make(const std::string& folder) {
  const auto made = os::CreateUniqueTempFile(folder, "FC");
  if (!made) return Made::NotCreated;
  path = *made;
  auto opened = os::File::Open(path, os::Access::ReadWrite, os::kShareNone, os::Disposition::OpenExisting);
  if (!opened) return Made::NotOpened;
  file = std::move(*opened);
  return Made::Open;
}

}  // namespace tavisto::zip
