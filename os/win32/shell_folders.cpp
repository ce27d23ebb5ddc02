// Shell folders through shell32 (and SHFOLDER.DLL for SHGetFolderPath on systems without it),
// through the wide entry points: a folder such as the desktop may hold any character.
#include "os/shell_folders.h"

#include <windows.h>
#include <shlobj.h>

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
    HMODULE module = LoadLibraryA(name);
    if (!module) continue;
    if (FARPROC entry = GetProcAddress(module, "SHGetFolderPathW")) {
      found.module_ = module;
      found.entry_ = reinterpret_cast<void*>(entry);
      found.library_ = name;
      break;
    }
    FreeLibrary(module);
  }
  return found;
}

FolderPathFunction::FolderPathFunction(FolderPathFunction&& other) noexcept
    : module_(std::exchange(other.module_, nullptr)),
      entry_(std::exchange(other.entry_, nullptr)),
      library_(std::move(other.library_)) {}

FolderPathFunction::~FolderPathFunction() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

std::optional<std::string> FolderPathFunction::Call(int folder) const {
  if (!entry_) return std::nullopt;
  const auto function = reinterpret_cast<GetFolderPathW>(entry_);
  wchar_t path[MAX_PATH] = {};
  if (FAILED(function(nullptr, folder, nullptr, 0, path))) return std::nullopt;
  return UpToNul(path, sizeof path);
}

std::optional<std::string> SpecialFolderLocationPath(int folder) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &items))) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  // A list that names no file-system folder leaves the buffer empty: the path is "".
  (void)SHGetPathFromIDListW(items, path);
  CoTaskMemFree(items);
  return UpToNul(path, sizeof path);
}

}  // namespace tavisto::os
