// A path's target through GetFullPathNameW (the system's own reading of "/", relative paths,
// "." and "..", trailing dots and spaces), the identities of the file and its folder, and the
// folder's final path from its handle.
#include "os/same_file.h"

#include <windows.h>

#include "common/path_parts.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

std::wstring FullPath(const std::wstring& path) {
  // The first call tells the length the full path needs.
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::wstring();
  full.resize(length);
  return full;
}

// Names compared as NTFS compares them: through the system's upper-case table, whatever the
// user's language.
std::wstring UpperCase(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The path of the open folder as the system resolves it, without the "\\?\" form.
std::string FinalPath(const std::string& folder) {
  HANDLE handle = CreateFileW(win32::WidePath(folder).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::string();
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
  if (length >= path.size()) {
    path.assign(length + 1, L'\0');
    length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
  }
  CloseHandle(handle);
  if (length == 0 || length >= path.size()) return std::string();
  path.resize(length);
  return win32::WithoutExtendedPrefix(win32::Narrow(path));
}

}  // namespace

PathTarget ResolvePath(const std::string& path) {
  PathTarget target;
  const std::wstring full = FullPath(win32::Widen(path));
  if (full.empty()) return target;
  target.full = win32::WithoutExtendedPrefix(win32::Narrow(full));
  target.key = win32::Narrow(UpperCase(win32::Widen(target.full)));
  if (const auto state = StateOf(target.full)) target.file = state->identity;
  const std::string folder = FolderOf(target.full);
  if (const auto state = StateOf(folder)) {
    target.folder = state->identity;
    target.realFolder = FinalPath(folder);
  }
  return target;
}

}  // namespace tavisto::os
