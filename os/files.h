// Files as Windows sees them: open with explicit access, sharing and creation rules; read,
// write, seek, truncate and flush; attributes, deletion, moves (one that replaces a file, too) and
// folders by path.
// Paths are UTF-8, of any length: Windows gets them through the wide API (in the "\\?\" form
// when they are long), POSIX takes them as they are. On POSIX, "\" in paths is taken as "/" and
// the Windows attribute view is emulated (a name starting with "." is hidden, a file without
// write permission is read-only, files carry the archive bit, a symbolic link is a reparse
// point); sharing is not enforced there.
//   auto file = os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
//   if (!file) throw FileOpenError(path);          // file.Error() says why
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "os/file_identity.h"
#include "os/file_time.h"
#include "os/handle.h"
#include "os/os_error.h"

namespace tavisto::os {

// Windows file attribute bits.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrVolumeLabel = 0x08;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;
// A symbolic link, a junction or any other reparse point. Wine shows a Linux symbolic link to a
// folder this way (a link to a file it shows as the file itself).
inline constexpr uint32_t kAttrReparsePoint = 0x400;
inline constexpr uint32_t kAttrCompressed = 0x800;
inline constexpr uint32_t kAttrNotContentIndexed = 0x2000;
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// WriteRemovable: writing, and removing the file through its handle (RemoveOpenFile), whatever
// name it has come to have meanwhile.
enum class Access { Read, Write, ReadWrite, WriteRemovable };

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
  CreateNew,     // create; fail (kErrorFileExists) when a file of that name is there
  // As CreateNew, for a scratch file: the system deletes it when it is closed or when the
  // process ends, however it ends. On POSIX its name is gone as soon as it is open.
  CreateScratch,
  // As CreateNew, owned by the user this process runs as even where the system would give new
  // files another owner (LocalSystem's files belong to the Administrators group by default).
  CreateOwned,
};

class OpenResult;

// An open file's system handle (a HANDLE or a descriptor, -1 for none), closed once by its owner.
struct FileHandleTraits {
  using Type = intptr_t;
  static constexpr Type Invalid() noexcept { return -1; }
  static void Close(Type handle) noexcept;  // per platform
};

class File {
 public:
  File() noexcept = default;

  // Opens a file; on failure the result holds no file and its Error() tells why.
  [[nodiscard]] static OpenResult Open(const std::string& path, Access access, unsigned share,
                                       Disposition disposition);

  [[nodiscard]] bool IsOpen() const noexcept;
  void Close() noexcept;
  // Closes the file; false when the system reports that what was written did not all reach the
  // disk (a network drive may report a failed delayed write only now).
  [[nodiscard]] bool CloseChecked() noexcept;

  // Reads up to count bytes; returns the number read (0 at the end), nothing on an OS error.
  [[nodiscard]] std::optional<size_t> Read(void* buffer, size_t count);
  // Reads up to count bytes at position, whatever the file pointer says: several threads may
  // read one open file at once this way. Fewer bytes only at the end; nothing on an OS error.
  [[nodiscard]] std::optional<size_t> ReadAt(int64_t position, void* buffer, size_t count);
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
  // The open file's identity, size and last write: which file this handle holds, whatever
  // happens to its name.
  [[nodiscard]] std::optional<FileState> State();
  // Where the open file really is, as a full path ("C:\Windows\SysWOW64\x.txt" for what a 32-bit program
  // asked for under System32); nothing when the system cannot say.
  [[nodiscard]] std::optional<std::string> RealPath();

 private:
  friend bool RemoveOpenFile(File& file, const std::string& path);
  ScopedHandle<FileHandleTraits> handle_;
};

// What File::Open gives: the open file, or the system error code that says why there is none.
// It reads like std::optional<File>; the code travels with it, so it stays right whatever the
// caller does before looking at it, and on whichever thread it looks.
class OpenResult {
 public:
  OpenResult(File file) noexcept : file_(std::move(file)) {}  // implicit: Open returns a File
  static OpenResult Failed(uint32_t error) noexcept {
    OpenResult result{File()};
    result.error_ = error;
    return result;
  }

  [[nodiscard]] bool has_value() const noexcept { return file_.IsOpen(); }
  explicit operator bool() const noexcept { return has_value(); }
  File& operator*() & noexcept { return file_; }
  File&& operator*() && noexcept { return std::move(file_); }
  File* operator->() noexcept { return &file_; }
  // kErrorSuccess when the file is open.
  [[nodiscard]] uint32_t Error() const noexcept { return error_; }
  // For a caller that keeps only the file.
  operator std::optional<File>() && noexcept {  // implicit, so such callers read as before
    if (!has_value()) return std::nullopt;
    return std::optional<File>(std::move(file_));
  }

 private:
  File file_;
  uint32_t error_ = kErrorSuccess;
};

// Attributes of a path, or kInvalidAttributes when it does not exist or cannot be asked.
[[nodiscard]] uint32_t FileAttributes(const std::string& path);
[[nodiscard]] bool ChangeAttributes(const std::string& path, uint32_t attributes);

// True when the path names an existing file (a folder does not count).
[[nodiscard]] bool FileExists(const std::string& path);
// True when the path names an existing folder.
[[nodiscard]] bool DirectoryExists(const std::string& path);

[[nodiscard]] bool RemoveFile(const std::string& path);
// Removes the file open in file (opened WriteRemovable) and closes it: on Windows through its
// handle, so that only that file goes, never another one that took its name; on POSIX by path,
// only while the path still names the open file. False when it could not.
[[nodiscard]] bool RemoveOpenFile(File& file, const std::string& path);
[[nodiscard]] bool RenameFile(const std::string& from, const std::string& to);
// Puts the file at from in the place of the file at to, in one step: to names the old file or
// the whole new one, never neither, never a part (both on one volume, as a file beside to is;
// a move to another volume is refused). A missing to is simply made. A to that is a folder or a
// read-only file is refused (kErrorAccessDenied), as Windows does whoever asks. The file's own
// data is the caller's to flush first. On Windows a file open at from must be open with
// kShareDelete for the move to go.
[[nodiscard]] bool MoveOver(const std::string& from, const std::string& to);
// Why a MoveOver onto path would be refused now: kErrorAccessDenied for a folder or a read-only
// file, kErrorSharingViolation for a file another program holds without letting it be removed
// (Windows only); kErrorSuccess when nothing stands in the way (also when path is free).
[[nodiscard]] uint32_t ReplaceRefusal(const std::string& path);
[[nodiscard]] bool MakeDirectory(const std::string& path);
[[nodiscard]] bool RemoveFolder(const std::string& path);

[[nodiscard]] std::string CurrentDirectory();
// The system's folder for temporary files, with its trailing separator.
[[nodiscard]] std::string SystemTempFolder();
// The separator the platform's own paths use ("\\" on Windows, "/" on POSIX).
[[nodiscard]] char PathSeparator();
[[nodiscard]] bool ChangeCurrentDirectory(const std::string& path);

}  // namespace tavisto::os
