// Machine facts through the Win32 calls of the same names.
#include "os/system_facts.h"

#include <windows.h>

#include <vector>

#include "os/files.h"
#include "os/process.h"
#include "os/win32/wide.h"

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
  // Wide, so that a name the code page cannot hold (a Cyrillic one on an English system) is
  // whole: what shows it converts it as its text needs.
  std::vector<wchar_t> buffer(bufferSize, L'\0');
  DWORD size = bufferSize;
  if (!GetUserNameW(buffer.data(), &size)) return std::string();
  size_t length = 0;
  while (length < buffer.size() && buffer[length]) ++length;
  return win32::Narrow(std::wstring_view(buffer.data(), length));
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

// Folders are paths: UTF-8 through the wide calls, whatever their characters.
std::string WindowsDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
  return length && length < MAX_PATH ? win32::Narrow(std::wstring_view(buffer, length)) : std::string();
}

std::string SystemDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  return length && length < MAX_PATH ? win32::Narrow(std::wstring_view(buffer, length)) : std::string();
}

std::string NativeSystemDirectory() {
  if (IsRunningOnWow64()) {
    // Windows before Vista lacks the alias: there the redirected folder is all we can name.
    const std::string alias = WindowsDirectory() + "\\Sysnative";
    if (DirectoryExists(alias)) return alias;
  }
  return SystemDirectory();
}

std::string TempPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return length && length <= MAX_PATH ? win32::Narrow(std::wstring_view(buffer, length)) : std::string();
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
  // The program may live deeper than MAX_PATH: grow the buffer until the name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return win32::Narrow(std::wstring_view(path.data(), length));
    path.resize(path.size() * 2);
  }
}

}  // namespace tavisto::os
