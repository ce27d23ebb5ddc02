// Special folders on the OS layer's shell, system-directory and attribute calls.
#include "lookups/known_folders.h"

#include "os/files.h"
#include "os/shell_folders.h"
#include "os/system_facts.h"

namespace tavisto::lookups {

std::string GetShellFolderPath(int folder, bool create) {
  // Resolved at the first call; the outcome, found or not, holds for the rest of the run and
  // the providing library stays loaded until the program ends.
  static const os::FolderPathFunction entry = os::FolderPathFunction::Find({"shell32.dll", "SHFOLDER.DLL"});
  return entry.Call(create ? folder | kCsidlFlagCreate : folder).value_or("");
}

std::string GetSpecialFolderPath(int folder) { return os::SpecialFolderLocationPath(folder).value_or(""); }

std::string GetSystemFolder() { return os::SystemDirectory(); }

std::string GetTempFolder() {
  std::string folder = os::TempPath();
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

bool FolderExists(const std::string& path) { return os::DirectoryExists(path); }

}  // namespace tavisto::lookups
