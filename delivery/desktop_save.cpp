#include "delivery/desktop_save.h"

#include <algorithm>
#include <vector>

#include "common/errors.h"
#include "delivery/data_room.h"
#include "os/disk_space.h"
#include "os/files.h"
#include "os/os_error.h"

namespace tavisto::delivery {
namespace {

constexpr size_t kCopyBufferSize = 8192;

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

void CopyFileInto(const std::string& source, os::File& output, const std::string& path, os::ProgressSink* progress) {
  auto input = os::File::Open(source, os::Access::Read, os::kShareRead, os::Disposition::OpenExisting);
  if (!input) throw FileOpenError(source);
  std::vector<char> buffer(kCopyBufferSize);
  const int64_t total = input->Size().value_or(0);
  uint64_t copied = 0;
  for (;;) {
    const auto got = input->Read(buffer.data(), buffer.size());
    if (!got) throw StreamReadError();
    if (*got > 0) {
      const auto written = output.Write(buffer.data(), *got);
      if (!written || *written != *got) {
        // A short write is a full disk; the volume's facts put it in words.
        const uint32_t error = written ? os::kErrorDiskFull : os::LastErrorCode();
        throw StreamWriteError(path, WriteFailureCause(error, copied + *got, os::VolumeOf(path)));
      }
    }
    copied += *got;
    if (progress) {
      progress->Advance(total > 0 ? static_cast<double>(copied) / static_cast<double>(total) : 1.0, "");
      progress->ThrowIfStopped();
    }
    if (*got < buffer.size()) break;
  }
  // The copy keeps the source's date as DOS keeps it (to two seconds).
  if (const auto written = input->LastWriteTime()) {
    if (const auto dos = os::LocalDosDateTime(*written)) {
      if (const auto rounded = os::FileTimeFromLocalDos(*dos)) (void)output.SetLastWriteTime(*rounded);
    }
  }
}

}  // namespace tavisto::delivery
