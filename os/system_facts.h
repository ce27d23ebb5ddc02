// Facts about the machine and the session, each asked of the system when called.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavisto::os {

// The computer's NetBIOS name read into a buffer of bufferSize bytes; "" when the call fails.
[[nodiscard]] std::string ComputerName(uint32_t bufferSize);
// The logged-on user's name (UTF-8) read into a buffer of bufferSize characters; "" when the
// call fails.
[[nodiscard]] std::string UserName(uint32_t bufferSize);

struct PhysicalMemory {
  uint64_t totalBytes = 0;
  uint64_t availableBytes = 0;
};
// Physical memory from the 64-bit memory status (the 32-bit one stops at 4 GiB).
[[nodiscard]] std::optional<PhysicalMemory> QueryPhysicalMemory();

struct OsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platformId = 0;
  std::string servicePack;
};
// The version record of GetVersionExA; nothing when the query fails.
[[nodiscard]] std::optional<OsVersion> QueryOsVersion();

// GetLocaleInfoA for the user default locale into a buffer of bufferSize bytes: fills text
// and returns the count the call reports (the NUL included; 0 on failure).
int UserLocaleInfo(uint32_t infoType, int bufferSize, std::string& text);

inline constexpr uint32_t kLocaleIso639LangName = 0x59;
inline constexpr uint32_t kLocaleIso3166CtryName = 0x5A;

// Folders as UTF-8 paths.
[[nodiscard]] std::string WindowsDirectory();  // no trailing backslash
[[nodiscard]] std::string SystemDirectory();   // no trailing backslash
// The system directory that holds the machine's own drivers, no trailing backslash. For a
// 32-bit process on 64-bit Windows the system directory is redirected to the 32-bit one, so
// this is its "Sysnative" alias, which reaches the 64-bit folder; elsewhere SystemDirectory().
[[nodiscard]] std::string NativeSystemDirectory();
[[nodiscard]] std::string TempPath();          // as the system gives it ("" on failure)

// The screen's logical pixels per inch.
[[nodiscard]] int ScreenDpi();

}  // namespace tavisto::os

namespace tavisto::os {

// The full path (UTF-8) of the running program's executable file.
[[nodiscard]] std::string ExecutablePath();

}  // namespace tavisto::os
