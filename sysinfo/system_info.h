// TSystemInfo: the machine's identity facts, gathered once when the main window is created, as
// text ready to be shown (in the system's code page).
#pragma once

#include <cstdint>
#include <string>

namespace tavisto::sysinfo {

class TSystemInfo {
 public:
  // Gathers all facts. Raises RegistryError when "RegisteredOwner" or "RegisteredOrganization"
  // exists with a type other than a string.
  TSystemInfo();

  [[nodiscard]] const std::string& ComputerName() const { return computerName_; }
  // UTF-8, whole whatever its characters: the report shows it in the code page.
  [[nodiscard]] const std::string& UserName() const { return userName_; }
  [[nodiscard]] const std::string& RegOwner() const { return regOwner_; }
  [[nodiscard]] const std::string& RegCompany() const { return regCompany_; }
  [[nodiscard]] const std::string& OSVersion() const { return osVersion_; }
  [[nodiscard]] const std::string& OSPlatform() const { return osPlatform_; }
  [[nodiscard]] const std::string& TotalPhys() const { return totalPhys_; }
  [[nodiscard]] const std::string& AvailPhys() const { return availPhys_; }

 private:
  void ReadOwner();

  std::string computerName_, userName_, regOwner_, regCompany_;
  std::string osVersion_, osPlatform_, totalPhys_, availPhys_;
  uint32_t platformId_ = 0;
};

}  // namespace tavisto::sysinfo
