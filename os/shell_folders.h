// The shell's special folders as UTF-8 paths: SHGetFolderPath found by name at run time (older
// systems have it only in SHFOLDER.DLL), and the item-list route through
// SHGetSpecialFolderLocation.
//   auto entry = os::FolderPathFunction::Find({"shell32.dll", "SHFOLDER.DLL"});
//   std::optional<std::string> local = entry.Call(0x1C, 0);
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include "os/library_handle.h"

namespace tavisto::os {

class FolderPathFunction {
 public:
  // Loads the libraries in turn and keeps the first that offers SHGetFolderPathW; a library
  // that loads without it is released again. Found() tells whether any offered it.
  [[nodiscard]] static FolderPathFunction Find(std::initializer_list<const char*> libraries);

  FolderPathFunction(FolderPathFunction&& other) noexcept = default;
  FolderPathFunction& operator=(FolderPathFunction&&) = delete;
  FolderPathFunction(const FolderPathFunction&) = delete;
  FolderPathFunction& operator=(const FolderPathFunction&) = delete;
  ~FolderPathFunction() = default;  // releases the library that provided the entry point

  [[nodiscard]] bool Found() const noexcept { return entry_ != nullptr; }
  // The name of the library that provided the entry point ("" when none did).
  [[nodiscard]] const std::string& Library() const noexcept { return library_; }

  // SHGetFolderPathW(no window, folder, no token, flags 0) into a MAX_PATH buffer: the path up
  // to its NUL; nothing when the entry point is missing or the call reports failure.
  [[nodiscard]] std::optional<std::string> Call(int folder) const;

 private:
  FolderPathFunction() = default;
  LibraryHandle module_;
  void* entry_ = nullptr;
  std::string library_;
};

// SHGetSpecialFolderLocation then SHGetPathFromIDListW: the folder's path, or nothing when the
// shell does not know the folder.
[[nodiscard]] std::optional<std::string> SpecialFolderLocationPath(int folder);

}  // namespace tavisto::os
