// TExeInfo: the program's own version strings, read once from its version resource, plus
// a few system facts computed when asked.
#pragma once

#include <string>

namespace tavisto::sysinfo {

class TExeInfo {
 public:
  // Reads the version resource of the running executable.
  TExeInfo();
  // Reads the version resource of another file (the same rules; used by tests).
  explicit TExeInfo(const std::string& executablePath);

  [[nodiscard]] const std::string& CompanyName() const { return companyName_; }
  [[nodiscard]] const std::string& FileDescription() const { return fileDescription_; }
  [[nodiscard]] const std::string& FileVersion() const { return fileVersion_; }
  [[nodiscard]] const std::string& InternalName() const { return internalName_; }
  [[nodiscard]] const std::string& LegalCopyright() const { return legalCopyright_; }
  [[nodiscard]] const std::string& LegalTradeMark() const { return legalTradeMark_; }
  [[nodiscard]] const std::string& OriginalFileName() const { return originalFileName_; }
  [[nodiscard]] const std::string& ProductName() const { return productName_; }
  [[nodiscard]] const std::string& ProductVersion() const { return productVersion_; }
  [[nodiscard]] const std::string& Comments() const { return comments_; }

  [[nodiscard]] std::string ComputerName() const;
  [[nodiscard]] std::string OSName() const;
  [[nodiscard]] std::string WindowsDir() const;  // with a trailing backslash, "" on failure
  [[nodiscard]] std::string SystemDir() const;   // with a trailing backslash, "" on failure
  [[nodiscard]] std::string TempDir() const;
  // The component's own version; setting it has no effect.
  [[nodiscard]] std::string Version() const { return "1.1.0.0"; }
  void SetVersion(const std::string&) {}

 private:
  void Read(const std::string& executablePath);

  std::string companyName_, fileDescription_, fileVersion_, internalName_, legalCopyright_;
  std::string legalTradeMark_, originalFileName_, productName_, productVersion_, comments_;
};

}  // namespace tavisto::sysinfo
