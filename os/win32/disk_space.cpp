// Free space through GetDiskFreeSpaceExW when the system has it (looked up at run time: the
// oldest systems lack it), else GetDiskFreeSpaceW, whose 32-bit counts are enough there.
#include "os/disk_space.h"

#include <windows.h>

#include "common/path_parts.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

// The root of the drive a path is on ("C:\", "\\server\share\"), or empty for the current one.
// A path in the extended form ("\\?\C:\...", "\\?\UNC\server\share\...") has the same root.
std::string DriveRoot(const std::string& extended) {
  const std::string path = win32::WithoutExtendedPrefix(extended);
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
  if (path.size() > 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    const auto server = path.find_first_of("\\/", 2);
    if (server == std::string::npos) return path + "\\";
    const auto share = path.find_first_of("\\/", server + 1);
    return (share == std::string::npos ? path : path.substr(0, share)) + "\\";
  }
  return std::string();
}

using GetDiskFreeSpaceExWFunction = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                                  PULARGE_INTEGER);

GetDiskFreeSpaceExWFunction FreeSpaceEx() {
  static const auto function = reinterpret_cast<GetDiskFreeSpaceExWFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExW")));
  return function;
}

}  // namespace

std::optional<uint64_t> FreeDiskSpace(const std::string& path) {
  const std::wstring root = win32::Widen(DriveRoot(path));
  const wchar_t* rootName = root.empty() ? nullptr : root.c_str();
  if (auto freeSpaceEx = FreeSpaceEx()) {
    ULARGE_INTEGER available, total, free;
    if (!freeSpaceEx(rootName, &available, &total, &free)) return std::nullopt;
    return available.QuadPart;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceW(rootName, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    return std::nullopt;
  return uint64_t(sectorsPerCluster) * bytesPerSector * freeClusters;
}

bool IsRemovableDrive(const std::string& path) {
  const std::string root = DriveRoot(path);
  if (root.size() == 3 && (root[0] == 'A' || root[0] == 'a' || root[0] == 'B' || root[0] == 'b'))
    return true;
  return GetDriveTypeW(root.empty() ? nullptr : win32::Widen(root).c_str()) == DRIVE_REMOVABLE;
}

std::optional<VolumeFacts> VolumeOf(const std::string& path) {
  // The volume's own root, also for a drive mounted in a folder of another.
  std::wstring root(MAX_PATH + 1, L'\0');
  if (!GetVolumePathNameW(win32::Widen(path).c_str(), root.data(), static_cast<DWORD>(root.size())))
    return std::nullopt;
  root.resize(wcslen(root.c_str()));
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
    return std::nullopt;
  return VolumeFacts{win32::Narrow(root), win32::Narrow(fileSystem)};
}

}  // namespace tavisto::os
