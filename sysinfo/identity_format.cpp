#include "sysinfo/identity_format.h"

#include <cstdio>

namespace tavisto::sysinfo {

std::string FormatKb(uint64_t bytes) {
  const uint64_t kib = bytes >> 10;
  return (kib == 0 ? std::string() : std::to_string(kib)) + " Kb";
}

std::string FormatOsVersion(uint32_t major, uint32_t minor, uint32_t build,
                            const std::string& servicePack) {
  return std::to_string(major) + "." + std::to_string(minor) + " (" +
         std::to_string(build & 0xFFFF) + "." + servicePack + ")";
}

std::string PlatformName(uint32_t platformId) {
  switch (platformId) {
    case 0: return "Windows 3.1";
    case 1: return "Windows 95";
    case 2: return "Windows NT";
    default: return std::string();
  }
}

std::string OwnerKeyPath(uint32_t platformId) {
  switch (platformId) {
    case 1: return "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    case 2: return "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    default: return std::string();
  }
}

std::string OsNameFor(uint32_t platformId, uint32_t major, uint32_t minor,
                      const std::string& servicePack) {
  if (platformId == 1 && major == 4) {
    if (minor == 0) return "Windows 95";
    if (minor == 10) return servicePack.size() >= 2 && servicePack[1] == 'A' ? "Windows 98 SE" : "Windows 98";
    if (minor == 90) return "Windows ME";
  }
  if (platformId == 2) {
    if (major <= 4) return "Windows NT";
    if (major == 5 && minor == 0) return "Windows 2000";
    if (major == 5 && minor == 1) return "Windows XP";
  }
  return "Unknown";
}

std::string LanguageCode(const std::string& language, int languageCount, const std::string& country,
                         int countryCount) {
  if (languageCount != 3 || countryCount != 3) return std::string();
  return language + "_" + country;
}

std::string StringTableName(uint32_t translation) {
  char name[9];
  std::snprintf(name, sizeof name, "%04X%04X", translation & 0xFFFF, (translation >> 16) & 0xFFFF);
  return name;
}

}  // namespace tavisto::sysinfo
