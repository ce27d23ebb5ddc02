// The new file beside the user's, and the one step that puts it in its place.
#include "delivery/replacing_file.h"

#include "common/errors.h"
#include "common/path_parts.h"
#include "os/os_error.h"

namespace tavisto::delivery {
namespace {

constexpr char kNewSuffix[] = ".tavisto-new";
constexpr int kMostNames = 100;

}  // namespace

ReplacingFile ReplacingFile::Open(const std::string& path, FileJournal* journal) {
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
    if (created) {
      ReplacingFile made(path, newPath, std::move(*created), nullptr);
      if (journal) {
        journal->RecordBeside(newPath);  // an error here removes the new file, through made
        made.journal_ = journal;
      }
      return made;
    }
    // A name that is taken belongs to someone: the next one is tried.
    const uint32_t error = created.Error();
    if (error != os::kErrorFileExists && error != os::kErrorAlreadyExists)
      throw FileCreateError(path, os::ErrorCause(error));
  }
  throw FileCreateError(path, std::to_string(kMostNames) + " names for the new file beside it are taken");
}

ReplacingFile::~ReplacingFile() { Discard(); }

std::string ReplacingFile::RealPath() {
  const auto real = file_.IsOpen() ? file_.RealPath() : std::nullopt;
  return real ? FolderPrefixOf(*real) + NameOf(path_) : path_;
}

void ReplacingFile::CheckReplaceable() const {
  if (const uint32_t error = os::ReplaceRefusal(path_)) throw FileReplaceError(path_, os::ErrorCause(error));
}

void ReplacingFile::Commit() {
  if (!file_.IsOpen()) throw FileReplaceError(path_, "the new file is gone");
  // On the disk first: a failure of power after the move must not leave a file cut short.
  if (!file_.Flush()) {
    const uint32_t error = os::LastErrorCode();
    Discard();
    throw FileReplaceError(path_, os::ErrorCause(error));
  }
  if (!os::MoveOver(newPath_, path_)) {
    const uint32_t error = os::LastErrorCode();
    Discard();
    throw FileReplaceError(path_, os::ErrorCause(error));
  }
  if (journal_) journal_->RecordGone(newPath_);
  journal_ = nullptr;
  if (!file_.CloseChecked())
    throw Error(path_ + " was replaced, but the system reports that not all of it reached the disk (" +
                os::ErrorCause(os::LastErrorCode()) + ")");
}

void ReplacingFile::Discard() noexcept {
  if (file_.IsOpen()) (void)os::RemoveOpenFile(file_, newPath_);
  if (journal_) {
    try {
      journal_->RecordGone(newPath_);
    } catch (...) {
      // The record stays as it was: a later sweep finds no file of ours there.
    }
  }
  journal_ = nullptr;
}

}  // namespace tavisto::delivery
