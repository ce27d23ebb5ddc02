#include "sysinfo/exe_info.h"

#include <utility>

#include "os/system_facts.h"
#include "os/text_encoding.h"
#include "os/version_resource.h"
#include "sysinfo/identity_format.h"

namespace tavisto::sysinfo {
namespace {

constexpr const char* kNotRead = "Updated at run-time";

std::string WithBackslash(std::string folder) {
  return folder.empty() ? folder : folder + "\\";
}

}  // namespace

TExeInfo::TExeInfo() : TExeInfo(os::ExecutablePath()) {}

TExeInfo::TExeInfo(const std::string& executablePath) {
  for (std::string* field : {&companyName_, &fileDescription_, &fileVersion_, &internalName_,
                             &legalCopyright_, &legalTradeMark_, &originalFileName_, &productName_,
                             &productVersion_, &comments_})
    *field = kNotRead;
  Read(executablePath);
}

void TExeInfo::Read(const std::string& executablePath) {
  const auto resource = os::VersionResource::Load(executablePath);
  if (!resource) return;
  // Without a translation table there is no string table to name: the fields keep the
  // text that says they were not read, and construction goes on.
  const auto translation = resource->FirstTranslation();
  if (!translation) return;
  const std::string table = "\\StringFileInfo\\" + StringTableName(*translation) + "\\";
  const std::pair<const char*, std::string*> keys[] = {
      {"CompanyName", &companyName_},         {"FileDescription", &fileDescription_},
      {"FileVersion", &fileVersion_},         {"InternalName", &internalName_},
      {"LegalCopyright", &legalCopyright_},   {"LegalTradeMarks", &legalTradeMark_},
      {"OriginalFileName", &originalFileName_}, {"ProductName", &productName_},
      {"ProductVersion", &productVersion_},   {"Comments", &comments_},
  };
  // The strings are shown (the caption, the report): in the code page.
  for (const auto& [key, field] : keys) *field = os::Utf8ToAnsi(resource->QueryString(table + key).value_or("")).Bytes();
}

std::string TExeInfo::ComputerName() const { return os::ComputerName(16); }

std::string TExeInfo::OSName() const {
  const auto version = os::QueryOsVersion();
  if (!version) return "Unknown";
  return OsNameFor(version->platformId, version->major, version->minor, version->servicePack);
}

std::string TExeInfo::WindowsDir() const { return WithBackslash(os::WindowsDirectory()); }
std::string TExeInfo::SystemDir() const { return WithBackslash(os::SystemDirectory()); }
std::string TExeInfo::TempDir() const { return os::TempPath(); }

}  // namespace tavisto::sysinfo
