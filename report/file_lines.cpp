// Lines copied into one block of a fixed size, NULs turned into spaces on the way, and the block
// written whole each time it fills: a line of any length costs no more memory than the block.
#include "report/file_lines.h"

#include <algorithm>
#include <cstring>

#include "common/errors.h"
#include "os/os_error.h"
#include "common/size_text.h"

namespace tavisto::report {
namespace {

// Large enough that the system's work per write is lost in the copying; small beside a report.
constexpr size_t kBlockSize = 1024 * 1024;

}  // namespace

FileLines::FileLines(os::File& file, std::string path)
    : file_(file), path_(std::move(path)), block_(std::make_unique<char[]>(kBlockSize)) {}

void FileLines::Add(const std::string& line) {
  if (!failure_.empty()) throw StreamWriteError(path_, failure_);
  Put(line.data(), line.size());
  Put("\r\n", 2);
}

std::string FileLines::Status() const { return SizeText(written_) + " written"; }

void FileLines::Flush() {
  if (!failure_.empty()) throw StreamWriteError(path_, failure_);
  if (used_ > 0) WriteBlock();
}

void FileLines::Put(const char* bytes, size_t count) {
  while (count > 0) {
    const size_t piece = std::min(count, kBlockSize - used_);
    char* const to = block_.get() + used_;
    std::memcpy(to, bytes, piece);
    // The memo's control holds C strings: a NUL shows as a space there, so it is one here too.
    for (char* nul = to; (nul = static_cast<char*>(std::memchr(nul, '\0', static_cast<size_t>(to + piece - nul))));)
      *nul++ = ' ';
    used_ += piece;
    bytes += piece;
    count -= piece;
    if (used_ == kBlockSize) WriteBlock();
  }
}

void FileLines::WriteBlock() {
  const auto put = file_.Write(block_.get(), used_);
  if (put && *put == used_) {
    written_ += used_;
    used_ = 0;
    return;
  }
  // A short write is a full disk; no write at all has its own cause.
  const uint32_t error = put ? os::kErrorDiskFull : os::LastErrorCode();
  written_ += put.value_or(0);
  used_ = 0;
  failure_ = os::ErrorText(error);
  if (failure_.empty()) failure_ = "error " + std::to_string(error);
  throw StreamWriteError(path_, failure_);
}

}  // namespace tavisto::report
