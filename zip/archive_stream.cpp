// The buffer of FileStream covers one run of the file, [bufferStart_, bufferStart_ + buffered_);
// the file as callers see it is the file on disk with that run laid over it. A write inside or
// right after the run goes into the buffer (this is how a local header is rewritten after its
// data without touching the disk); anything else flushes first.
#include "zip/archive_stream.h"

#include <algorithm>
#include <cstring>

#include "os/disk_space.h"
#include "common/errors.h"
#include "os/os_error.h"
#include "zip/path_rules.h"

namespace tavisto::zip {
namespace {

// The system's words for the failure of the call just made.
std::string LastCause() { return os::ErrorText(os::LastErrorCode()); }

}  // namespace

std::string NoRoomCause(const std::string& path, uint64_t needed) {
  const auto free = os::FreeDiskSpace(path);
  const std::string start =
      "not enough space on the disk in " + FolderPart(path) + ": " + std::to_string(needed) + " bytes to write, ";
  if (!free) return start + "free space unknown";
  // The drive reports room, and yet the write found none (a quota, a smaller drive mounted in a
  // folder of it): its figure would contradict the message.
  if (*free >= needed) return start + "and the disk is full";
  return start + std::to_string(*free) + " bytes free";
}

void ArchiveStream::WriteAll(const void* data, size_t count) {
  const size_t written = Write(data, count);
  if (written == count) return;
  if (Name().empty()) throw StreamWriteError();
  throw StreamWriteError(Name(), NoRoomCause(Name(), count - written));
}

void ArchiveStream::FlushAll() {
  if (FlushBuffer()) return;
  if (Name().empty()) throw StreamWriteError();
  throw StreamWriteError(Name(), NoRoomCause(Name(), PendingBytes()));
}

std::unique_ptr<FileStream> FileStream::Create(const std::string& path) {
  auto file = os::File::Open(path, os::Access::ReadWrite, os::kShareRead, os::Disposition::CreateAlways);
  if (!file) throw FileCreateError(path, os::ErrorText(file.Error()));
  return Over(std::move(*file), path);
}

std::unique_ptr<FileStream> FileStream::OpenExisting(const std::string& path, unsigned share) {
  auto file = os::File::Open(path, os::Access::ReadWrite, share, os::Disposition::OpenExisting);
  if (!file) throw FileOpenError(path, os::ErrorText(file.Error()));
  return Over(std::move(*file), path);
}

std::unique_ptr<FileStream> FileStream::Over(os::File file, std::string path) {
  const int64_t size = file.Size().value_or(0);
  return std::unique_ptr<FileStream>(new FileStream(std::move(file), std::move(path), size));
}

FileStream::FileStream(os::File file, std::string path, int64_t size)
    : file_(std::move(file)), path_(std::move(path)), fileSize_(size) {}

FileStream::~FileStream() {
  try {
    (void)FlushBuffer();
  } catch (...) {
    // A destructor must not throw; what could not be written is lost with the stream.
  }
}

void FileStream::Close() {
  bool flushed = false;
  try {
    flushed = FlushBuffer();
  } catch (...) {
    Discard();
    throw;
  }
  const size_t lost = buffered_;
  Discard();
  if (!flushed) throw StreamWriteError(path_, NoRoomCause(path_, lost));
}

void FileStream::Discard() noexcept {
  buffered_ = 0;
  file_.Close();
}

bool FileStream::FlushBuffer() {
  if (buffered_ == 0) return true;
  if (!file_.Seek(bufferStart_)) throw StreamWriteError(path_, LastCause());
  const auto written = file_.Write(buffer_.data(), buffered_);
  if (!written) throw StreamWriteError(path_, LastCause());
  fileSize_ = std::max(fileSize_, bufferStart_ + static_cast<int64_t>(*written));
  if (*written < buffered_) {
    // Keep what the disk did not take, so that a retry can still write it.
    std::memmove(buffer_.data(), buffer_.data() + *written, buffered_ - *written);
    bufferStart_ += static_cast<int64_t>(*written);
    buffered_ -= *written;
    return false;
  }
  buffered_ = 0;
  return true;
}

size_t FileStream::WriteThrough(const char* data, size_t count) {
  if (!file_.Seek(position_)) throw StreamWriteError(path_, LastCause());
  const auto written = file_.Write(data, count);
  if (!written) throw StreamWriteError(path_, LastCause());
  position_ += static_cast<int64_t>(*written);
  fileSize_ = std::max(fileSize_, position_);
  return *written;
}

size_t FileStream::Write(const void* data, size_t count) {
  const char* bytes = static_cast<const char*>(data);
  // Large pieces (compressed chunks of big files) go straight to the file, not copied first.
  if (count >= kBufferSize / 2) {
    if (!FlushBuffer()) return 0;
    return WriteThrough(bytes, count);
  }
  if (buffered_ == 0) bufferStart_ = position_;
  const bool inRun = position_ >= bufferStart_ && position_ <= bufferStart_ + static_cast<int64_t>(buffered_);
  if (inRun && static_cast<size_t>(position_ - bufferStart_) + count <= kBufferSize) {
    if (buffer_.empty()) buffer_.resize(kBufferSize);
    const size_t at = static_cast<size_t>(position_ - bufferStart_);
    std::memcpy(buffer_.data() + at, bytes, count);
    buffered_ = std::max(buffered_, at + count);
    position_ += static_cast<int64_t>(count);
    return count;
  }
  if (!FlushBuffer()) return 0;
  bufferStart_ = position_;
  return Write(data, count);
}

size_t FileStream::Read(void* data, size_t count) {
  if (!FlushBuffer()) throw StreamWriteError(path_, NoRoomCause(path_, buffered_));
  if (!file_.Seek(position_)) throw StreamReadError();
  const auto got = file_.Read(data, count);
  if (!got) throw StreamReadError();
  position_ += static_cast<int64_t>(*got);
  return *got;
}

int64_t FileStream::Size() {
  return std::max(fileSize_, bufferStart_ + static_cast<int64_t>(buffered_));
}

void FileStream::Truncate() {
  // Buffered bytes at or past the cut are dropped unwritten: cutting back must work on a full
  // disk too, where writing them first would fail.
  if (position_ <= bufferStart_) {
    buffered_ = 0;
  } else if (position_ < bufferStart_ + static_cast<int64_t>(buffered_)) {
    buffered_ = static_cast<size_t>(position_ - bufferStart_);
  }
  if (!FlushBuffer()) throw StreamWriteError(path_, NoRoomCause(path_, buffered_));
  if (!file_.Seek(position_) || !file_.Truncate()) throw StreamWriteError(path_, LastCause());
  fileSize_ = position_;
}

void FileStream::FlushToDisk() {
  if (!FlushBuffer()) throw StreamWriteError(path_, NoRoomCause(path_, buffered_));
  (void)file_.Flush();
}

size_t MemoryStream::Write(const void* data, size_t count) {
  const size_t room = position_ >= capacity_ ? 0 : capacity_ - position_;
  const size_t taken = std::min(count, room);
  if (position_ + taken > bytes_.size()) bytes_.resize(position_ + taken);
  std::memcpy(bytes_.data() + position_, data, taken);
  position_ += taken;
  return taken;
}

size_t MemoryStream::Read(void* data, size_t count) {
  if (position_ >= bytes_.size()) return 0;
  const size_t got = std::min(count, bytes_.size() - position_);
  std::memcpy(data, bytes_.data() + position_, got);
  position_ += got;
  return got;
}

void MemoryStream::Truncate() { bytes_.resize(std::min(position_, bytes_.size())); }

}  // namespace tavisto::zip
