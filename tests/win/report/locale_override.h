// Sets the user's short date, long time and decimal formats for one test and puts the old
// ones back afterwards (SetLocaleInfoA: the process sees the change at once).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace tavisto::test {

class LocaleOverride {
 public:
  LocaleOverride(const char* shortDate, const char* longTime, const char* decimal) {
    Set(LOCALE_SSHORTDATE, shortDate);
    Set(LOCALE_STIMEFORMAT, longTime);
    Set(LOCALE_SDECIMAL, decimal);
  }
  LocaleOverride(const LocaleOverride&) = delete;
  LocaleOverride& operator=(const LocaleOverride&) = delete;
  ~LocaleOverride() {
    for (const auto& [type, value] : saved_) SetLocaleInfoA(LOCALE_USER_DEFAULT, type, value.c_str());
  }

 private:
  void Set(LCTYPE type, const char* value) {
    char old[80] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type, old, sizeof old);
    saved_.emplace_back(type, old);
    SetLocaleInfoA(LOCALE_USER_DEFAULT, type, value);
  }
  std::vector<std::pair<LCTYPE, std::string>> saved_;
};

}  // namespace tavisto::test
