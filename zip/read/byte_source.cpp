#include "zip/read/byte_source.h"

#include <algorithm>
#include <cstring>

#include "os/os_error.h"

namespace tavisto::zip::read {

size_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  if (offset >= bytes_.size()) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(count, bytes_.size() - offset));
  std::memcpy(buffer, bytes_.data() + offset, n);
  return n;
}

FileSource::FileSource(const std::string& path) : path_(path) {
  os::OpenResult opened = os::File::Open(path, os::Access::Read, os::kShareRead | os::kShareWrite,
                                         os::Disposition::OpenExisting);
  if (!opened) throw ReadError(path + " cannot be opened (" + os::ErrorText(opened.Error()) + ")");
  file_ = std::move(*opened);
  const auto size = file_.Size();
  if (!size || *size < 0) throw ReadError(path + " cannot be read (" + os::ErrorText(os::LastErrorCode()) + ")");
  size_ = static_cast<uint64_t>(*size);
}

FileSource::FileSource(os::File file, std::string name) : path_(std::move(name)), file_(std::move(file)) {
  const auto size = file_.Size();
  if (!size || *size < 0) throw ReadError(path_ + " cannot be read (" + os::ErrorText(os::LastErrorCode()) + ")");
  size_ = static_cast<uint64_t>(*size);
}

size_t FileSource::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  if (offset >= size_) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
  const auto got = file_.ReadAt(static_cast<int64_t>(offset), buffer, count);
  if (!got) throw ReadError(path_ + " cannot be read (" + os::ErrorText(os::LastErrorCode()) + ")");
  return *got;
}

size_t SliceSource::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  if (offset >= length_) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, length_ - offset));
  return base_.ReadAt(start_ + offset, buffer, count);
}

}  // namespace tavisto::zip::read
