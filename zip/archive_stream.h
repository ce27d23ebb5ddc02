// Where the writer's bytes go: a seekable stream. FileStream writes a file through a buffer (so
// that a small entry's header, data and header rewrite cost one system write, not five);
// MemoryStream keeps the archive in memory, for callers that supply their own stream.
//   FileStream stream = FileStream::Create(path);  // throws FileCreateError
//   stream.Write(bytes.data(), bytes.size());
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "os/files.h"

namespace tavisto::zip {

class ArchiveStream {
 public:
  virtual ~ArchiveStream() = default;

  // Writes at the position and moves past the bytes taken. Returns how many were taken: fewer
  // than count only when the disk (or the stream's room) is full. Other failures throw
  // StreamWriteError.
  virtual size_t Write(const void* data, size_t count) = 0;
  // Reads at the position; returns how many bytes were read (0 at the end). Throws
  // StreamReadError when the system fails.
  virtual size_t Read(void* data, size_t count) = 0;
  virtual void Seek(int64_t position) = 0;
  [[nodiscard]] virtual int64_t Position() const = 0;
  [[nodiscard]] virtual int64_t Size() = 0;
  // Cuts the stream at the position.
  virtual void Truncate() = 0;
  // Hands buffered bytes to the system; false when the disk took fewer (the rest stays buffered).
  [[nodiscard]] virtual bool FlushBuffer() = 0;
  // Bytes taken by Write that the system has not received yet.
  [[nodiscard]] virtual size_t PendingBytes() const = 0;
  // Asks the system to put the file on disk; streams without a file do nothing.
  virtual void FlushToDisk() = 0;
  [[nodiscard]] virtual bool IsFile() const = 0;
  // The file's path, for messages; empty for a stream without a file.
  [[nodiscard]] virtual std::string Name() const = 0;

  // Writes all bytes or throws StreamWriteError (naming the file and the room it lacked).
  void WriteAll(const void* data, size_t count);
  // Hands every buffered byte to the system or throws StreamWriteError, as WriteAll.
  void FlushAll();
};

// Why bytes did not all reach the file at path: its folder, the bytes still to be written and
// the drive's free space ("not enough space on the disk in C:\P\: 524288 bytes to write, 4096
// bytes free").
[[nodiscard]] std::string NoRoomCause(const std::string& path, uint64_t needed);

class FileStream final : public ArchiveStream {
 public:
  // Creates (or empties) the file; throws FileCreateError. Others may read it meanwhile.
  [[nodiscard]] static std::unique_ptr<FileStream> Create(const std::string& path);
  // Opens an existing file for reading and writing with the given sharing; throws FileOpenError.
  [[nodiscard]] static std::unique_ptr<FileStream> OpenExisting(const std::string& path, unsigned share);
  // A stream over a file opened (or created) at path for reading and writing, empty or not.
  [[nodiscard]] static std::unique_ptr<FileStream> Over(os::File file, std::string path);

  ~FileStream() override;  // puts what is buffered into the file; never throws

  size_t Write(const void* data, size_t count) override;
  size_t Read(void* data, size_t count) override;
  void Seek(int64_t position) override { position_ = position; }
  [[nodiscard]] int64_t Position() const override { return position_; }
  [[nodiscard]] int64_t Size() override;
  void Truncate() override;
  [[nodiscard]] bool FlushBuffer() override;
  [[nodiscard]] size_t PendingBytes() const override { return buffered_; }
  void FlushToDisk() override;
  [[nodiscard]] bool IsFile() const override { return true; }

  [[nodiscard]] std::string Name() const override { return path_; }
  [[nodiscard]] const std::string& Path() const { return path_; }
  // Flushes and closes the file; later calls fail. A short write (a full disk) closes it all the
  // same and throws StreamWriteError: the bytes it lost are part of the file.
  void Close();
  // Closes the file without writing what the buffer still holds (bytes being cut off anyway).
  void Discard() noexcept;

 private:
  FileStream(os::File file, std::string path, int64_t size);
  // Writes straight to the file at position_, past the buffer; returns the bytes taken.
  size_t WriteThrough(const char* data, size_t count);

  static constexpr size_t kBufferSize = 1 << 20;

  os::File file_;
  std::string path_;
  std::vector<char> buffer_;
  int64_t bufferStart_ = 0;  // file offset of buffer_[0]
  size_t buffered_ = 0;      // bytes held in the buffer
  int64_t position_ = 0;
  int64_t fileSize_ = 0;     // size of the file itself, without the buffer
};

class MemoryStream : public ArchiveStream {
 public:
  // capacity: the most bytes the stream takes, as a disk of that size would.
  explicit MemoryStream(size_t capacity = SIZE_MAX) : capacity_(capacity) {}

  size_t Write(const void* data, size_t count) override;
  size_t Read(void* data, size_t count) override;
  void Seek(int64_t position) override { position_ = static_cast<size_t>(position); }
  [[nodiscard]] int64_t Position() const override { return static_cast<int64_t>(position_); }
  [[nodiscard]] int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  void Truncate() override;
  [[nodiscard]] bool FlushBuffer() override { return true; }
  [[nodiscard]] size_t PendingBytes() const override { return 0; }
  void FlushToDisk() override {}
  [[nodiscard]] bool IsFile() const override { return false; }
  [[nodiscard]] std::string Name() const override { return {}; }

  [[nodiscard]] const std::string& Bytes() const { return bytes_; }
  void SetCapacity(size_t capacity) { capacity_ = capacity; }

 private:
  std::string bytes_;
  size_t position_ = 0;
  size_t capacity_;
};

}  // namespace tavisto::zip
