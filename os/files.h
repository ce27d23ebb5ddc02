// Files as Windows sees them: open with explicit access, sharing and creation rules; read,
// write, seek, truncate and flush; attributes, deletion, moves and folders by path.
// On POSIX, "\" in paths is taken as "/" and the Windows attribute view is emulated (a name
// starting with "." is hidden, a file without write permission is read-only, files carry
// the archive bit); sharing is not enforced there.
//   auto file = os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
//   if (!file) throw FileOpenError(path);
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "os/file_time.h"

namespace tavisto::os {

// Windows file attribute bits.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrVolumeLabel = 0x08;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;
inline constexpr uint32_t kAttrCompressed = 0x800;
inline constexpr uint32_t kAttrNotContentIndexed = 0x2000;
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

enum class Access { Read, Write, ReadWrite };

// What other openers may do while we hold the file (FILE_SHARE_* bits).
inline constexpr unsigned kShareNone = 0;
inline constexpr unsigned kShareRead = 1;
inline constexpr unsigned kShareWrite = 2;
inline constexpr unsigned kShareDelete = 4;
inline constexpr unsigned kShareAll = kShareRead | kShareWrite | kShareDelete;

enum class Disposition {
  OpenExisting,  // fail when missing
  CreateAlways,  // create, or empty an existing file
  OpenAlways,    // open, or create when missing
};

class File {
 public:
  File() noexcept;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Opens a file; on failure returns nothing and LastErrorCode() tells why.
  [[nodiscard]] static std::optional<File> Open(const std::string& path, Access access,
                                                unsigned share, Disposition disposition);

  [[nodiscard]] bool IsOpen() const noexcept;
  void Close() noexcept;

  // Reads up to count bytes; returns the number read (0 at the end), nothing on an OS error.
  [[nodiscard]] std::optional<size_t> Read(void* buffer, size_t count);
  // Writes count bytes; returns the number written (less on a full disk), nothing on an error.
  [[nodiscard]] std::optional<size_t> Write(const void* buffer, size_t count);

  [[nodiscard]] bool Seek(int64_t position);
  [[nodiscard]] bool SeekToEnd();
  [[nodiscard]] std::optional<int64_t> Position();
  [[nodiscard]] std::optional<int64_t> Size();
  // Cuts the file at the current position.
  [[nodiscard]] bool Truncate();
  // Asks the OS to put the file's buffers on disk.
  [[nodiscard]] bool Flush();

  [[nodiscard]] std::optional<FileTime> LastWriteTime();
  [[nodiscard]] bool SetLastWriteTime(FileTime time);

 private:
  intptr_t handle_;
};

// Attributes of a path, or kInvalidAttributes when it does not exist or cannot be asked.
[[nodiscard]] uint32_t FileAttributes(const std::string& path);
[[nodiscard]] bool ChangeAttributes(const std::string& path, uint32_t attributes);

// True when the path names an existing file (a folder does not count).
[[nodiscard]] bool FileExists(const std::string& path);
// True when the path names an existing folder.
[[nodiscard]] bool DirectoryExists(const std::string& path);

[[nodiscard]] bool RemoveFile(const std::string& path);
[[nodiscard]] bool RenameFile(const std::string& from, const std::string& to);
[[nodiscard]] bool MakeDirectory(const std::string& path);
[[nodiscard]] bool RemoveFolder(const std::string& path);

[[nodiscard]] std::string CurrentDirectory();
// The system's folder for temporary files, with its trailing separator.
[[nodiscard]] std::string SystemTempFolder();
// The separator the platform's own paths use ("\\" on Windows, "/" on POSIX).
[[nodiscard]] char PathSeparator();
[[nodiscard]] bool ChangeCurrentDirectory(const std::string& path);

}  // namespace tavisto::os
