#include "jobs/machine_facts.h"

#include "os/system_facts.h"
#include "os/text_encoding.h"
#include "sysinfo/identity_format.h"

namespace tavisto::jobs {

std::string GetWindowsLanguage() {
  std::string language, country;
  const int languageCount = os::UserLocaleInfo(os::kLocaleIso639LangName, 5, language);
  const int countryCount = os::UserLocaleInfo(os::kLocaleIso3166CtryName, 5, country);
  return sysinfo::LanguageCode(language, languageCount, country, countryCount);
}

AnalysisFacts AnalysisFactsOf(const sysinfo::TSystemInfo& system, const sysinfo::TExeInfo& exe) {
  return AnalysisFacts{{exe.FileVersion(), system.ComputerName(), os::Utf8ToAnsi(system.UserName()).Bytes(),
                        system.RegOwner(), system.RegCompany(), system.OSPlatform(), system.OSVersion(),
                        system.TotalPhys(), system.AvailPhys()},
                       GetWindowsLanguage()};
}

delivery::RunFacts RunFactsOf(const sysinfo::TSystemInfo& system, const sysinfo::TExeInfo& exe) {
  return delivery::RunFacts{exe.FileVersion(), os::AnsiToUtf8(os::AnsiText(system.ComputerName())),
                            system.UserName()};
}

}  // namespace tavisto::jobs
