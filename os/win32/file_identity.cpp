// A file's identity through GetFileInformationByHandle on a handle that asks for its attributes
// only (no share mode forbids that), folders included (backup semantics).
#include "os/file_identity.h"

#include <windows.h>

#include "os/win32/file_state.h"
#include "os/win32/wide.h"

namespace tavisto::os {

std::optional<FileState> StateOf(const std::string& path) {
  HANDLE handle = CreateFileW(win32::WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return win32::StateFromInformation(info);
}

FileState win32::StateFromInformation(const BY_HANDLE_FILE_INFORMATION& info) {
  FileState state;
  state.identity.volume = info.dwVolumeSerialNumber;
  state.identity.index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  state.size = static_cast<int64_t>((uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  state.lastWrite.ticks =
      static_cast<int64_t>((uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
  return state;
}

}  // namespace tavisto::os
