// Machine facts through the Win32 calls of the same names.
#include "os/system_facts.h"

#include <windows.h>

#include <vector>

namespace tavisto::os {
namespace {

std::string UpToNul(const char* text, size_t capacity) {
  size_t length = 0;
  while (length < capacity && text[length]) ++length;
  return std::string(text, length);
}

}  // namespace

std::string ComputerName(uint32_t bufferSize) {
  std::vector<char> buffer(bufferSize, '\0');
  DWORD size = bufferSize;
  if (!GetComputerNameA(buffer.data(), &size)) return std::string();
  return UpToNul(buffer.data(), buffer.size());
}

std::string UserName(uint32_t bufferSize) {
  std::vector<char> buffer(bufferSize, '\0');
  DWORD size = bufferSize;
  if (!GetUserNameA(buffer.data(), &size)) return std::string();
  return UpToNul(buffer.data(), buffer.size());
}

std::optional<PhysicalMemory> QueryPhysicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
  return PhysicalMemory{status.ullTotalPhys, status.ullAvailPhys};
}

std::optional<OsVersion> QueryOsVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  // GetVersionExA is deprecated in the SDK headers but is exactly the record we report.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return std::nullopt;
#pragma GCC diagnostic pop
  return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                   info.dwPlatformId, UpToNul(info.szCSDVersion, sizeof info.szCSDVersion)};
}

int UserLocaleInfo(uint32_t infoType, int bufferSize, std::string& text) {
  std::vector<char> buffer(static_cast<size_t>(bufferSize) + 1, '\0');
  const int count = GetLocaleInfoA(LOCALE_USER_DEFAULT, infoType, buffer.data(), bufferSize);
  text = count > 0 ? UpToNul(buffer.data(), static_cast<size_t>(bufferSize)) : std::string();
  return count;
}

std::string WindowsDirectory() {
  char buffer[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
  return length && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string SystemDirectory() {
  char buffer[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  return length && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string TempPath() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH + 1, buffer);
  return length && length <= MAX_PATH ? std::string(buffer, length) : std::string();
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace tavisto::os

namespace tavisto::os {

std::string ExecutablePath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

}  // namespace tavisto::os
