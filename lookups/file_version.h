// The strings of a file's version resource, and the file version the report shows.
//   FileVersionStrings strings;
//   ReadFileVersionStrings("C:\\Windows\\system32\\drivers\\serenum.sys", strings);
#pragma once

#include <optional>
#include <string>

namespace tavisto::lookups {

// The twelve strings of a version resource (UTF-8); each "" when the resource lacks it.
struct FileVersionStrings {
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LegalTrademarks;
  std::string OriginalFilename;
  std::string ProductName;
  std::string ProductVersion;
  std::string Comments;
  std::string PrivateBuild;
  std::string SpecialBuild;
};

// Fills the record from the string table that the first translation names (a file whose
// resource has no translation table at all is read from its first string table). A file
// without a version resource leaves the record exactly as given.
void ReadFileVersionStrings(const std::string& path, FileVersionStrings& strings);

// The file's "FileVersion" string ("" when it has none); nothing when no file of that name
// exists (a folder does not count).
[[nodiscard]] std::optional<std::string> FileVersionIfExists(const std::string& path);

}  // namespace tavisto::lookups
