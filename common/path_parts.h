// A Windows path's name and folder, split as the system splits them: at the last "\" or "/" (a
// drive's colon ends its folder too: "C:x.txt" is x.txt on drive C). The paths are the
// program's own text (UTF-8); no file system is asked.
//   NameOf("C:\Suite\ZorvelData.zip")        == "ZorvelData.zip"
//   FolderOf("C:\Suite\ZorvelData.zip")      == "C:\Suite"
//   FolderPrefixOf("C:\Suite\ZorvelData.zip") == "C:\Suite\"
//   PathIn("C:\Data\", "CS.log")            == "C:\Data\CS.log"
#pragma once

#include <string>
#include <string_view>

namespace tavisto {

// Whether c separates the names of a path ("\" or "/": the system takes both).
[[nodiscard]] constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// The last part of path: what follows its last separator or its drive's colon.
[[nodiscard]] std::string NameOf(std::string_view path);

// The folder that holds path, as the system resolves it: "" for the current folder, "C:" for
// drive C's current one, a root with its separator ("C:\", "\"), else without a last separator.
[[nodiscard]] std::string FolderOf(std::string_view path);

// path without its name, the separator kept: "C:\Suite\", "C:", "".
[[nodiscard]] std::string FolderPrefixOf(std::string_view path);

// name in folder, with exactly one backslash between them whether or not the folder (a value
// stored by another program) ends in one; "" as the folder gives "\name", as plain joining does.
[[nodiscard]] std::string PathIn(std::string_view folder, std::string_view name);

}  // namespace tavisto
