// Files through CreateFileW and friends, the handle kept as an integer in the portable class.
// Every path goes through WidePath, so names outside the code page and paths past MAX_PATH
// reach the system whole.
#include "os/files.h"

#include <windows.h>

#include <algorithm>

#include <sddl.h>

#include "os/system_facts.h"
#include "os/win32/file_state.h"
#include "os/win32/user_sid.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

HANDLE H(const ScopedHandle<FileHandleTraits>& handle) { return reinterpret_cast<HANDLE>(handle.Get()); }

using win32::Narrow;
using win32::WidePath;

// A security descriptor that names the process's user as owner and leaves the access list to
// what the folder passes on; freed with its holder.
class OwnerDescriptor {
 public:
  OwnerDescriptor() {
    try {
      const std::wstring text = L"O:" + win32::CurrentUserSidText();
      if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor_, nullptr))
        descriptor_ = nullptr;
    } catch (const std::exception&) {
      descriptor_ = nullptr;
    }
  }
  OwnerDescriptor(const OwnerDescriptor&) = delete;
  OwnerDescriptor& operator=(const OwnerDescriptor&) = delete;
  ~OwnerDescriptor() { LocalFree(descriptor_); }
  [[nodiscard]] PSECURITY_DESCRIPTOR Get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

}  // namespace

// INVALID_HANDLE_VALUE is -1 as an integer.
void FileHandleTraits::Close(Type handle) noexcept { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

OpenResult File::Open(const std::string& path, Access access, unsigned share, Disposition disposition) {
  DWORD desired = 0;
  switch (access) {
    case Access::Read: desired = GENERIC_READ; break;
    case Access::Write: desired = GENERIC_WRITE; break;
    case Access::ReadWrite: desired = GENERIC_READ | GENERIC_WRITE; break;
    // Its state is asked on the handle, and it may be removed through it.
    case Access::WriteRemovable: desired = GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE; break;
  }
  DWORD creation = OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  switch (disposition) {
    case Disposition::OpenExisting: creation = OPEN_EXISTING; break;
    case Disposition::CreateAlways: creation = CREATE_ALWAYS; break;
    case Disposition::OpenAlways: creation = OPEN_ALWAYS; break;
    case Disposition::CreateNew:
    case Disposition::CreateOwned: creation = CREATE_NEW; break;
    case Disposition::CreateScratch:
      creation = CREATE_NEW;
      // Deleted when its last handle closes, which the system does for a process that is killed.
      flags = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE;
      break;
  }
  const std::wstring wide = WidePath(path);
  if (access != Access::Read && creation != CREATE_NEW) {
    // Windows refuses to write a read-only file; Wine running as root would not, so the
    // rule is kept here for both.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return OpenResult::Failed(ERROR_ACCESS_DENIED);
  }
  std::optional<OwnerDescriptor> owner;
  SECURITY_ATTRIBUTES security{};
  if (disposition == Disposition::CreateOwned) {
    if (!owner.emplace().Get()) return OpenResult::Failed(GetLastError());
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = owner->Get();
  }
  HANDLE handle = CreateFileW(wide.c_str(), desired, share, owner ? &security : nullptr, creation, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return OpenResult::Failed(GetLastError());
  File file;
  file.handle_.Reset(reinterpret_cast<intptr_t>(handle));
  return file;
}

bool File::IsOpen() const noexcept { return handle_.IsValid(); }

void File::Close() noexcept { handle_.Reset(); }

bool File::CloseChecked() noexcept {
  if (!handle_.IsValid()) return true;
  return CloseHandle(reinterpret_cast<HANDLE>(handle_.Release())) != 0;
}

std::optional<size_t> File::Read(void* buffer, size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  size_t total = 0;
  // ReadFile takes 32-bit counts; larger requests go in pieces.
  while (total < count) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count - total, 0x40000000));
    DWORD got = 0;
    if (!ReadFile(H(handle_), bytes + total, want, &got, nullptr)) return std::nullopt;
    total += got;
    if (got < want) break;
  }
  return total;
}

std::optional<size_t> File::ReadAt(int64_t position, void* buffer, size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  size_t total = 0;
  while (total < count) {
    // The offset in an OVERLAPPED makes a synchronous handle read there: no shared pointer to seek.
    const uint64_t at = static_cast<uint64_t>(position) + total;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count - total, 0x40000000));
    DWORD got = 0;
    if (!ReadFile(H(handle_), bytes + total, want, &got, &where)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return std::nullopt;
    }
    total += got;
    if (got < want) break;
  }
  return total;
}

std::optional<size_t> File::Write(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  size_t total = 0;
  while (total < count) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count - total, 0x40000000));
    DWORD put = 0;
    if (!WriteFile(H(handle_), bytes + total, want, &put, nullptr)) {
      // A full disk is a short write, not an error: the caller decides what it means.
      const DWORD error = GetLastError();
      if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return total;
      return std::nullopt;
    }
    total += put;
    if (put < want) break;
  }
  return total;
}

bool File::Seek(int64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = position;
  return SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN) != 0;
}

bool File::SeekToEnd() {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  return SetFilePointerEx(H(handle_), zero, nullptr, FILE_END) != 0;
}

std::optional<int64_t> File::Position() {
  LARGE_INTEGER zero, now;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(H(handle_), zero, &now, FILE_CURRENT)) return std::nullopt;
  return now.QuadPart;
}

std::optional<int64_t> File::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(handle_), &size)) return std::nullopt;
  return size.QuadPart;
}

bool File::Truncate() { return SetEndOfFile(H(handle_)) != 0; }

bool File::Flush() { return FlushFileBuffers(H(handle_)) != 0; }

std::optional<FileTime> File::LastWriteTime() {
  FILETIME written;
  if (!GetFileTime(H(handle_), nullptr, nullptr, &written)) return std::nullopt;
  return FileTime{static_cast<int64_t>((uint64_t(written.dwHighDateTime) << 32) |
                                       written.dwLowDateTime)};
}

bool File::SetLastWriteTime(FileTime time) {
  FILETIME written;
  written.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(time.ticks) & 0xFFFFFFFFu);
  written.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time.ticks) >> 32);
  return SetFileTime(H(handle_), nullptr, nullptr, &written) != 0;
}

std::optional<FileState> File::State() {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(H(handle_), &info)) return std::nullopt;
  return win32::StateFromInformation(info);
}

std::optional<std::string> File::RealPath() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(H(handle_), path.data(), static_cast<DWORD>(path.size()), 0);
  if (length >= path.size()) {
    path.assign(length + 1, L'\0');
    length = GetFinalPathNameByHandleW(H(handle_), path.data(), static_cast<DWORD>(path.size()), 0);
  }
  if (length == 0 || length >= path.size()) return std::nullopt;
  path.resize(length);
  return win32::WithoutExtendedPrefix(Narrow(path));
}

bool RemoveOpenFile(File& file, const std::string& /*path*/) {
  // The disposition is set on the handle: the file it holds goes when it closes, under whatever
  // name it has then.
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  const bool marked =
      SetFileInformationByHandle(H(file.handle_), FileDispositionInfo, &disposition, sizeof disposition) != 0;
  file.Close();
  return marked;
}

uint32_t FileAttributes(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

bool ChangeAttributes(const std::string& path, uint32_t attributes) {
  return SetFileAttributesW(WidePath(path).c_str(), attributes) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WidePath(path).c_str()) != 0; }

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileW(WidePath(from).c_str(), WidePath(to).c_str()) != 0;
}

bool MoveOver(const std::string& from, const std::string& to) {
  const std::wstring target = WidePath(to);
  // Refused before the move: Wine running as root would replace a read-only file.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // Without MOVEFILE_COPY_ALLOWED: a copy to another volume would not be one step. Write-through:
  // the move is on the disk before the call returns.
  return MoveFileExW(WidePath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

uint32_t ReplaceRefusal(const std::string& path) {
  const std::wstring target = WidePath(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ERROR_SUCCESS;
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return ERROR_ACCESS_DENIED;
  // The move opens the old file for removal, which a holder that does not share it refuses.
  HANDLE probe = CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  if (probe == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
  }
  CloseHandle(probe);
  return ERROR_SUCCESS;
}

bool MakeDirectory(const std::string& path) { return CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0; }

bool RemoveFolder(const std::string& path) { return RemoveDirectoryW(WidePath(path).c_str()) != 0; }

std::string CurrentDirectory() {
  // The first call tells the length; the folder may be deeper than MAX_PATH.
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return std::string();
  std::wstring buffer(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
  return length && length < needed ? Narrow(std::wstring_view(buffer.data(), length)) : std::string();
}

std::string SystemTempFolder() {
  std::string folder = TempPath();
  if (folder.empty()) folder = ".\\";
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

char PathSeparator() { return '\\'; }

bool ChangeCurrentDirectory(const std::string& path) {
  return SetCurrentDirectoryW(win32::Widen(path).c_str()) != 0;
}

}  // namespace tavisto::os
