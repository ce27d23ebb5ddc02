// Wine 8 answers CreateSymbolicLinkW with success and makes nothing, so under Wine the link is
// made by the Linux "ln", run through Wine's own spawn (which, unlike CreateProcess of a Linux
// program, waits for it); on Windows by the API.
#include "tests/support/folder_link.h"

#include <windows.h>

#include "os/files.h"
#include "os/win32/wide.h"

namespace tavisto::test {
namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);
using UnixSpawn = LONG(CDECL*)(char* const argv[], int wait);

UnixFileName WineUnixFileName() {
  return reinterpret_cast<UnixFileName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

UnixSpawn WineSpawn() {
  return reinterpret_cast<UnixSpawn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
}

std::string UnixPath(UnixFileName toUnix, const std::string& path) {
  char* name = toUnix(os::win32::Widen(path).c_str());
  if (!name) return std::string();
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

}  // namespace

bool MakeFolderLink(const std::string& link, const std::string& target) {
  const auto toUnix = WineUnixFileName();
  const auto spawn = WineSpawn();
  bool made = false;
  if (toUnix && spawn) {
    std::string unixTarget = UnixPath(toUnix, target), unixLink = UnixPath(toUnix, link);
    char ln[] = "/bin/ln", symbolic[] = "-s";
    char* const argv[] = {ln, symbolic, unixTarget.data(), unixLink.data(), nullptr};
    made = spawn(argv, TRUE) == 0;
  } else {
    made = CreateSymbolicLinkW(os::win32::Widen(link).c_str(), os::win32::Widen(target).c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
  }
  const uint32_t attributes = os::FileAttributes(link);
  return made && attributes != os::kInvalidAttributes && (attributes & os::kAttrReparsePoint);
}

bool MakeFileLink(const std::string& link, const std::string& target) {
  // Wine 8 answers with success and makes nothing: the attributes say whether a link is there.
  const bool made = CreateSymbolicLinkW(os::win32::Widen(link).c_str(), os::win32::Widen(target).c_str(),
                                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
  const uint32_t attributes = os::FileAttributes(link);
  return made && attributes != os::kInvalidAttributes && (attributes & os::kAttrReparsePoint);
}

bool RemoveFolderLink(const std::string& link) {
  if (RemoveDirectoryW(os::win32::WidePath(link).c_str())) return true;
  const auto toUnix = WineUnixFileName();
  const auto spawn = WineSpawn();
  if (!toUnix || !spawn) return false;
  std::string unixLink = UnixPath(toUnix, link);
  char rm[] = "/bin/rm";
  char* const argv[] = {rm, unixLink.data(), nullptr};
  return spawn(argv, TRUE) == 0 && os::FileAttributes(link) == os::kInvalidAttributes;
}

}  // namespace tavisto::test
