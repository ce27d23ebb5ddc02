#include "delivery/desktop_target.h"

#include "common/errors.h"
#include "common/path_parts.h"
#include "os/os_error.h"

namespace tavisto::delivery {
namespace {

constexpr int kMostCopies = 10000;

// "Data.zip" as "Data (n).zip": the number goes before the extension.
std::string Numbered(const std::string& path, int number) {
  const size_t nameStart = path.size() - NameOf(path).size();
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  return path.substr(0, dot) + " (" + std::to_string(number) + ")" + path.substr(dot);
}

bool IsTaken(uint32_t error) {
  return error == os::kErrorFileExists || error == os::kErrorAlreadyExists || error == os::kErrorAccessDenied;
}

}  // namespace

SaveTarget SaveTarget::Open(const std::string& wanted, const std::optional<OwnedFile>& savedBefore,
                            FileJournal* journal) {
  for (int number = 1; number <= kMostCopies; ++number) {
    const std::string path = number == 1 ? wanted : Numbered(wanted, number);
    auto created = os::File::Open(path, os::Access::WriteRemovable, os::kShareNone, os::Disposition::CreateNew);
    if (created) return SaveTarget(path, std::move(*created));
    // A name that is taken (by a file, a folder or a file we may not write) goes to the next
    // number, unless it is our own earlier save, still as we left it.
    if (!IsTaken(created.Error()) || os::FileAttributes(path) == os::kInvalidAttributes)
      throw FileCreateError(path, os::ErrorText(created.Error()));
    if (savedBefore && savedBefore->path == path && savedBefore->Unchanged())
      return SaveTarget(path, ReplacingFile::Open(path, journal), *savedBefore);
  }
  throw FileCreateError(wanted);
}

SaveTarget::~SaveTarget() {
  if (file_.IsOpen()) (void)os::RemoveOpenFile(file_, path_);
}

OwnedFile SaveTarget::Keep() {
  os::File& file = File();
  if (!file.Flush()) throw StreamWriteError(path_, os::ErrorCause(os::LastErrorCode()));
  const auto state = file.State();
  if (replacing_) {
    // Changed by someone since it was saved: it is not ours to replace any more.
    if (!earlier_->Unchanged()) {
      replacing_->Discard();
      throw Error(path_ + " was changed while the new one was written; it is as it was");
    }
    replacing_->Commit();
    return OwnedFile{path_, state.value_or(os::FileState{})};
  }
  if (!file_.CloseChecked()) {
    const uint32_t error = os::LastErrorCode();
    // Closed already: removed by its name only while it is still the file just written.
    if (state && os::StateOf(path_) == state) (void)os::RemoveFile(path_);
    throw StreamWriteError(path_, os::ErrorCause(error));
  }
  return OwnedFile{path_, state.value_or(os::FileState{})};
}

std::string SavedMessage(const std::string& wanted, const std::string& target) {
  if (NameOf(wanted) == NameOf(target)) return "File saved on your desktop.";
  return "File saved on your desktop as " + NameOf(target) + ".";
}

}  // namespace tavisto::delivery
