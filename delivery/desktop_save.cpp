#include "delivery/desktop_save.h"

#include <algorithm>
#include <vector>

#include "common/errors.h"
#include "common/path_parts.h"
#include "os/files.h"
#include "os/os_error.h"

namespace tavisto::delivery {
namespace {

constexpr size_t kCopyBufferSize = 8192;

void WriteAll(os::File& file, const char* bytes, size_t count) {
  const auto written = file.Write(bytes, count);
  if (!written || *written != count) throw StreamWriteError();
}

// Copies what remains of input into output in 8192-byte pieces, then gives output input's date.
void CopyFileData(os::File& input, os::File& output, os::ProgressSink* progress) {
  std::vector<char> buffer(kCopyBufferSize);
  const int64_t total = input.Size().value_or(0);
  int64_t copied = 0;
  for (;;) {
    const auto got = input.Read(buffer.data(), buffer.size());
    if (!got) throw StreamReadError();
    if (*got > 0) WriteAll(output, buffer.data(), *got);
    if (progress) {
      copied += static_cast<int64_t>(*got);
      progress->Advance(total > 0 ? static_cast<double>(copied) / static_cast<double>(total) : 1.0, "");
      progress->ThrowIfStopped();
    }
    if (*got < buffer.size()) break;
  }
  // The copy keeps the source's date as DOS keeps it (to two seconds).
  if (const auto written = input.LastWriteTime()) {
    if (const auto dos = os::LocalDosDateTime(*written)) {
      if (const auto rounded = os::FileTimeFromLocalDos(*dos)) (void)output.SetLastWriteTime(*rounded);
    }
  }
}

}  // namespace

void WriteMemoText(const std::string& memoText, os::File& file, const std::string& path) {
  const auto writes = [&file](std::string_view text) {
    const auto written = file.Write(text.data(), text.size());
    return written && *written == text.size();
  };
  // The text is not copied to add the last line break: a report can be hundreds of megabytes.
  const bool endsLine = memoText.empty() || memoText.ends_with("\r\n");
  if (writes(memoText) && (endsLine || writes("\r\n"))) return;
  const uint32_t error = os::LastErrorCode();
  std::string reason = error ? os::ErrorText(error) : std::string();
  if (!reason.empty() && reason.back() == '.') reason.pop_back();
  if (!reason.empty()) reason = " (" + reason + ")";
  throw StreamWriteError(path + " could not be written whole" + reason + "; the part written has been removed.");
}

void SaveMemoText(const std::string& memoText, const std::string& path) {
  auto file = os::File::Open(path, os::Access::WriteRemovable, os::kShareNone, os::Disposition::CreateAlways);
  if (!file) throw FileCreateError(path);
  try {
    WriteMemoText(memoText, *file, path);
  } catch (...) {
    // A report cut short by a full or failing disk looks whole to whoever opens it: it goes.
    (void)os::RemoveOpenFile(*file, path);
    throw;
  }
}

void ForceDirectories(const std::string& path) {
  std::string folder = path;
  if (!folder.empty() && IsPathSeparator(folder.back())) folder.pop_back();
  // A drive ("C:") or a folder that is already there ends the climb.
  if (folder.size() <= 2 || os::DirectoryExists(folder)) return;
  ForceDirectories(FolderOf(folder));
  (void)os::MakeDirectory(folder);
}

void CopyFileChunked(const std::string& source, const std::string& destination, os::ProgressSink* progress) {
  std::string target = destination;
  if (os::DirectoryExists(target)) {
    if (target.size() == 1) {
      target += ":\\";  // a lone drive letter
    } else if (!IsPathSeparator(target.back()) && target.back() != ':') {
      target += '\\';
    }
    target += NameOf(source);
  }

  auto input = os::File::Open(source, os::Access::Read, os::kShareRead, os::Disposition::OpenExisting);
  if (!input) throw FileOpenError(source);
  ForceDirectories(FolderOf(target));
  auto output = os::File::Open(target, os::Access::WriteRemovable, os::kShareNone, os::Disposition::CreateAlways);
  if (!output) throw FileCreateError(target);
  try {
    CopyFileData(*input, *output, progress);
  } catch (...) {
    // A half-written Data.zip on the desktop looks like a whole one: remove what we wrote.
    (void)os::RemoveOpenFile(*output, target);
    throw;
  }
}

void CopyFileInto(const std::string& source, os::File& output, os::ProgressSink* progress) {
  auto input = os::File::Open(source, os::Access::Read, os::kShareRead, os::Disposition::OpenExisting);
  if (!input) throw FileOpenError(source);
  CopyFileData(*input, output, progress);
}

}  // namespace tavisto::delivery
