// Where an archive's bytes come from, read by position: a file, a block of memory (the fuzzers,
// the tests), or a slice of another source (a part stored inside Data.zip, read where it lies).
// Reads at positions never move shared state, so several threads may read one source at once.
//   FileSource data(path);                       // ReadError when it cannot be opened
//   SliceSource part(data, entryStart, entryBytes);
//   size_t got = part.ReadAt(0, buffer, sizeof buffer);
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/errors.h"
#include "os/files.h"

namespace tavisto::zip::read {

// A source that could not be read: names it and says why.
class ReadError : public Error {
 public:
  using Error::Error;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  [[nodiscard]] virtual uint64_t Size() const = 0;
  // Up to count bytes at offset; fewer only where the source ends. ReadError when the system
  // refuses.
  [[nodiscard]] virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) const = 0;
  // What the source is called in messages ("ZorvelData.z01", a path).
  [[nodiscard]] virtual const std::string& Name() const = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(std::string_view bytes, std::string name) : bytes_(bytes), name_(std::move(name)) {}
  [[nodiscard]] uint64_t Size() const override { return bytes_.size(); }
  [[nodiscard]] size_t ReadAt(uint64_t offset, void* buffer, size_t count) const override;
  [[nodiscard]] const std::string& Name() const override { return name_; }

 private:
  std::string_view bytes_;
  std::string name_;
};

class FileSource final : public ByteSource {
 public:
  // Opens path for reading, others allowed to read and write it. ReadError when it cannot.
  explicit FileSource(const std::string& path);
  // A file already open for reading (a scratch file that has no name), called name in messages.
  FileSource(os::File file, std::string name);
  [[nodiscard]] uint64_t Size() const override { return size_; }
  [[nodiscard]] size_t ReadAt(uint64_t offset, void* buffer, size_t count) const override;
  [[nodiscard]] const std::string& Name() const override { return path_; }

 private:
  std::string path_;
  mutable os::File file_;  // read by position only
  uint64_t size_ = 0;
};

class SliceSource final : public ByteSource {
 public:
  // length bytes of base from start; the slice must lie inside base (the caller's gate checked).
  SliceSource(const ByteSource& base, uint64_t start, uint64_t length, std::string name)
      : base_(base), start_(start), length_(length), name_(std::move(name)) {}
  [[nodiscard]] uint64_t Size() const override { return length_; }
  [[nodiscard]] size_t ReadAt(uint64_t offset, void* buffer, size_t count) const override;
  [[nodiscard]] const std::string& Name() const override { return name_; }

 private:
  const ByteSource& base_;
  uint64_t start_;
  uint64_t length_;
  std::string name_;
};

}  // namespace tavisto::zip::read
