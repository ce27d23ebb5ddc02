// Walks the block tree of a version information resource (VS_VERSIONINFO, the 32-bit form
// with UTF-16 keys), for what VerQueryValue cannot tell: which string tables are there.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavisto::lookups {

// The name of the first string table under "StringFileInfo" ("040904E4"); nothing when the
// block holds none or is not a well-formed 32-bit version resource.
[[nodiscard]] std::optional<std::string> FirstStringTableName(const std::vector<char>& block);

}  // namespace tavisto::lookups
