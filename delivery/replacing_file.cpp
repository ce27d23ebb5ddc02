// The new file beside the user's, and the one step that puts it in its place.
#include "delivery/replacing_file.h"

#include "common/errors.h"
#include "common/path_parts.h"
#include "os/os_error.h"

namespace tavisto::delivery {
namespace {

constexpr char kNewSuffix[] = ".tavisto-new";
constexpr int kMostNames = 100;

std::string Cause(uint32_t error) {
  const std::string text = os::ErrorText(error);
  return text.empty() ? "error " + std::to_string(error) : text;
}

}  // namespace

ReplacingFile ReplacingFile::Open(const std::string& path) {
  if (path.empty() || IsPathSeparator(path.back()) || os::DirectoryExists(path))
    throw FileCreateError(path, "that is a folder, not a file");
  const std::string folder = FolderOf(path);
  if (!folder.empty() && !os::DirectoryExists(folder))
    throw FileCreateError(path, os::FileExists(folder) ? folder + " is a file, not a folder"
                                                       : "the folder " + folder + " does not exist");
  // Found out now, before the work of writing it: the replace would be refused.
  const uint32_t attributes = os::FileAttributes(path);
  if (attributes != os::kInvalidAttributes && (attributes & os::kAttrReadOnly))
    throw FileCreateError(path, "it is read-only");
  for (int number = 1; number <= kMostNames; ++number) {
    const std::string newPath = path + kNewSuffix + (number == 1 ? "" : "-" + std::to_string(number));
    // Shared for deletion only, so that the move on Commit may take it while it is open.
    auto created = os::File::Open(newPath, os::Access::WriteRemovable, os::kShareDelete, os::Disposition::CreateNew);
    if (created) return ReplacingFile(path, newPath, std::move(*created));
    // A name that is taken belongs to someone: the next one is tried.
    const uint32_t error = created.Error();
    if (error != os::kErrorFileExists && error != os::kErrorAlreadyExists) throw FileCreateError(path, Cause(error));
  }
  throw FileCreateError(path, std::to_string(kMostNames) + " names for the new file beside it are taken");
}

ReplacingFile::~ReplacingFile() { Discard(); }

void ReplacingFile::Commit() {
  if (!file_.IsOpen()) throw FileReplaceError(path_, "the new file is gone");
  // On the disk first: a failure of power after the move must not leave a file cut short.
  if (!file_.Flush()) {
    const uint32_t error = os::LastErrorCode();
    Discard();
    throw FileReplaceError(path_, Cause(error));
  }
  if (!os::MoveOver(newPath_, path_)) {
    const uint32_t error = os::LastErrorCode();
    Discard();
    throw FileReplaceError(path_, Cause(error));
  }
  file_.Close();
}

void ReplacingFile::Discard() noexcept {
  if (file_.IsOpen()) (void)os::RemoveOpenFile(file_, newPath_);
}

}  // namespace tavisto::delivery
