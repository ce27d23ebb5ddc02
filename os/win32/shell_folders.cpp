// Shell folders through shell32 (and SHFOLDER.DLL for SHGetFolderPath on systems without it),
// through the wide entry points: a folder such as the desktop may hold any character.
#include "os/shell_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <iterator>
#include <utility>

#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

using GetFolderPathW = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

std::string UpToNul(const wchar_t* text, size_t capacity) {
  size_t length = 0;
  while (length < capacity && text[length]) ++length;
  return win32::Narrow(std::wstring_view(text, length));
}

}  // namespace

FolderPathFunction FolderPathFunction::Find(std::initializer_list<const char*> libraries) {
  FolderPathFunction found;
  for (const char* name : libraries) {
    LibraryHandle module(LoadLibraryA(name));
    if (!module) continue;
    if (FARPROC entry = GetProcAddress(static_cast<HMODULE>(module.Get()), "SHGetFolderPathW")) {
      found.module_ = std::move(module);
      found.entry_ = reinterpret_cast<void*>(entry);
      found.library_ = name;
      break;
    }
  }
  return found;
}

std::optional<std::string> FolderPathFunction::Call(int folder) const {
  if (!entry_) return std::nullopt;
  const auto function = reinterpret_cast<GetFolderPathW>(entry_);
  wchar_t path[MAX_PATH] = {};
  if (FAILED(function(nullptr, folder, nullptr, 0, path))) return std::nullopt;
  return UpToNul(path, std::size(path));
}

std::optional<std::string> SpecialFolderLocationPath(int folder) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &items))) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  // A list that names no file-system folder leaves the buffer empty: the path is "".
  (void)SHGetPathFromIDListW(items, path);
  CoTaskMemFree(items);
  return UpToNul(path, std::size(path));
}

}  // namespace tavisto::os
