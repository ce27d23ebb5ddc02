// The text forms of the identity facts: plain logic, kept apart from the system calls so it
// is tested on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace tavisto::sysinfo {

// Whole KiB in plain digits, a blank and "Kb"; 0 KiB gives no digits at all (" Kb").
[[nodiscard]] std::string FormatKb(uint64_t bytes);

// "major.minor (build.servicePack)", the build cut to its low 16 bits: "5.1 (2600.Service Pack 3)".
[[nodiscard]] std::string FormatOsVersion(uint32_t major, uint32_t minor, uint32_t build,
                                          const std::string& servicePack);

// "Windows 3.1", "Windows 95", "Windows NT" for platform identifiers 0, 1, 2; "" otherwise.
[[nodiscard]] std::string PlatformName(uint32_t platformId);

// The HKEY_LOCAL_MACHINE key that holds the registered owner for a platform identifier.
[[nodiscard]] std::string OwnerKeyPath(uint32_t platformId);

// The system's marketing name for the old versions TExeInfo knows, else "Unknown".
[[nodiscard]] std::string OsNameFor(uint32_t platformId, uint32_t major, uint32_t minor,
                                    const std::string& servicePack);

// "ll_CC" when both locale calls wrote exactly two letters and a NUL (count 3); else "".
[[nodiscard]] std::string LanguageCode(const std::string& language, int languageCount,
                                       const std::string& country, int countryCount);

// A version resource's string-table name: language then code page, each as four upper-case
// hexadecimal digits ("041004E4").
[[nodiscard]] std::string StringTableName(uint32_t translation);

}  // namespace tavisto::sysinfo
