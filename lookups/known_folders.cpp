// Special folders on the OS layer's shell, system-directory and attribute calls.
#include "lookups/known_folders.h"

#include "os/files.h"
#include "os/os_error.h"
#include "os/shell_folders.h"
#include "os/system_facts.h"

namespace tavisto::lookups {

namespace {

const os::FolderPathFunction& FolderPathEntry() {
  // Resolved at the first call; the outcome, found or not, holds for the rest of the run and
  // the providing library stays loaded until the program ends.
  static const os::FolderPathFunction entry = os::FolderPathFunction::Find({"shell32.dll", "SHFOLDER.DLL"});
  return entry;
}

// Why the folder the system names cannot be used ("" when it can), or that it names none.
std::string ProblemWith(const std::string& named) {
  if (named.empty()) return "the system names no such folder";
  const uint32_t attributes = os::FileAttributes(named);
  if (attributes == os::kInvalidAttributes) {
    const uint32_t error = os::LastErrorCode();
    if (error == os::kErrorFileNotFound || error == os::kErrorPathNotFound || error == os::kErrorSuccess)
      return named + ": the path does not exist";
    std::string cause = os::ErrorText(error);
    if (!cause.empty() && cause.back() == '.') cause.pop_back();
    return named + ": " + cause;
  }
  if (!(attributes & os::kAttrDirectory)) return named + ": it is not a folder";
  return "";
}

// The folder the system names for a shell folder number, whether it exists or not.
std::string NamedFolder(int folder) { return FolderPathEntry().Call(folder | kCsidlFlagDontVerify).value_or(""); }

}  // namespace

std::string GetShellFolderPath(int folder, bool create) {
  return FolderPathEntry().Call(create ? folder | kCsidlFlagCreate : folder).value_or("");
}

FoundFolder FindDesktopFolder() {
  const std::string path = GetSpecialFolderPath(kCsidlDesktop);
  if (!path.empty() && os::DirectoryExists(path)) return {path, ""};
  // The shell answers "path not found" for a desktop redirected to a folder that is gone: ask
  // which folder it would have been.
  std::string problem = ProblemWith(path.empty() ? NamedFolder(kCsidlDesktopDirectory) : path);
  if (problem.empty()) problem = ProblemWith("");
  return {"", problem};
}

FoundFolder FindShellFolder(int folder) {
  const std::string path = GetShellFolderPath(folder, false);
  if (!path.empty()) return {path, ""};
  std::string problem = ProblemWith(NamedFolder(folder));
  if (problem.empty()) problem = ProblemWith("");
  return {"", problem};
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
