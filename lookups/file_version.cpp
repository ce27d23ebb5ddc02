// Version strings through the OS layer's version resource.
#include "lookups/file_version.h"

#include <utility>

#include "lookups/version_blocks.h"
#include "os/files.h"
#include "os/version_resource.h"
#include "sysinfo/identity_format.h"

namespace tavisto::lookups {

void ReadFileVersionStrings(const std::string& path, FileVersionStrings& strings) {
  const auto resource = os::VersionResource::Load(path);
  if (!resource) return;
  std::string table;
  if (const auto translation = resource->FirstTranslation())
    table = sysinfo::StringTableName(*translation);
  else
    // Without a translation table the only truthful source is the strings that are there.
    table = FirstStringTableName(resource->Bytes()).value_or("");
  strings = FileVersionStrings{};
  if (table.empty()) return;
  const std::string prefix = "\\StringFileInfo\\" + table + "\\";
  const std::pair<const char*, std::string*> keys[] = {
      {"Comments", &strings.Comments},
      {"CompanyName", &strings.CompanyName},
      {"FileDescription", &strings.FileDescription},
      {"FileVersion", &strings.FileVersion},
      {"InternalName", &strings.InternalName},
      {"LegalCopyright", &strings.LegalCopyright},
      {"LegalTrademarks", &strings.LegalTrademarks},
      {"OriginalFilename", &strings.OriginalFilename},
      {"PrivateBuild", &strings.PrivateBuild},
      {"ProductName", &strings.ProductName},
      {"ProductVersion", &strings.ProductVersion},
      {"SpecialBuild", &strings.SpecialBuild},
  };
  for (const auto& [key, field] : keys) *field = resource->QueryString(prefix + key).value_or("");
}

std::optional<std::string> FileVersionIfExists(const std::string& path) {
  if (!os::FileExists(path)) return std::nullopt;
  FileVersionStrings strings;
  ReadFileVersionStrings(path, strings);
  return strings.FileVersion;
}

}  // namespace tavisto::lookups
