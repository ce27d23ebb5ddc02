// Shell folders through shell32 (and SHFOLDER.DLL for SHGetFolderPathA on systems without it).
#include "os/shell_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <utility>

namespace tavisto::os {
namespace {

using GetFolderPathA = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

std::string UpToNul(const char* text, size_t capacity) {
  size_t length = 0;
  while (length < capacity && text[length]) ++length;
  return std::string(text, length);
}

}  // namespace

FolderPathFunction FolderPathFunction::Find(std::initializer_list<const char*> libraries) {
  FolderPathFunction found;
  for (const char* name : libraries) {
    HMODULE module = LoadLibraryA(name);
    if (!module) continue;
    if (FARPROC entry = GetProcAddress(module, "SHGetFolderPathA")) {
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
  const auto function = reinterpret_cast<GetFolderPathA>(entry_);
  char path[MAX_PATH] = {};
  if (FAILED(function(nullptr, folder, nullptr, 0, path))) return std::nullopt;
  return UpToNul(path, sizeof path);
}

std::optional<std::string> SpecialFolderLocationPath(int folder) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &items))) return std::nullopt;
  char path[MAX_PATH] = {};
  // A list that names no file-system folder leaves the buffer empty: the path is "".
  (void)SHGetPathFromIDListA(items, path);
  CoTaskMemFree(items);
  return UpToNul(path, sizeof path);
}

}  // namespace tavisto::os
