// The well-known folders the report and the deliveries need, as UTF-8 paths. Each routine says
// whether its result ends in a backslash, since callers join file names by plain concatenation.
//   std::string desktop = GetSpecialFolderPath(kCsidlDesktop);        // no trailing backslash
//   std::string temp = GetTempFolder();                               // always one
#pragma once

#include <string>

namespace tavisto::lookups {

// Shell folder numbers (CSIDL).
inline constexpr int kCsidlDesktop = 0;
inline constexpr int kCsidlLocalAppData = 0x1C;
inline constexpr int kCsidlCommonAppData = 0x23;
inline constexpr int kCsidlDesktopDirectory = 0x10;
inline constexpr int kCsidlFlagCreate = 0x8000;
inline constexpr int kCsidlFlagDontVerify = 0x4000;

// The folder through SHGetFolderPath, looked up once per process in shell32.dll, else in
// SHFOLDER.DLL; no trailing backslash; "" when neither offers it or the shell does not know
// the folder.
[[nodiscard]] std::string GetShellFolderPath(int folder, bool create);

// The folder through SHGetSpecialFolderLocation; no trailing backslash; "" when unknown.
[[nodiscard]] std::string GetSpecialFolderPath(int folder);

// The Windows system directory, no trailing backslash ("" if the system cannot say).
[[nodiscard]] std::string GetSystemFolder();

// The user's temporary folder, always ending in exactly one backslash; "" if the system
// cannot say, so that nothing is ever joined onto a bare "\" (the root of the drive).
[[nodiscard]] std::string GetTempFolder();

// A folder as a lookup found it: its path (no trailing backslash), or why there is none, in
// words that name the folder the system gave: "C:\users\Public\Gone Desktop: the path does
// not exist", "the system names no such folder".
struct FoundFolder {
  std::string path;     // "" when it cannot be used
  std::string problem;  // "" when it can
};

// The user's desktop folder, which must exist: the desktop saves write into it.
[[nodiscard]] FoundFolder FindDesktopFolder();
// A shell folder (CSIDL_LOCAL_APPDATA, ...) as GetShellFolderPath finds it, the create flag off,
// with the reason when it cannot be found.
[[nodiscard]] FoundFolder FindShellFolder(int folder);

// True when the path names an existing folder (a file does not count).
[[nodiscard]] bool FolderExists(const std::string& path);

}  // namespace tavisto::lookups
