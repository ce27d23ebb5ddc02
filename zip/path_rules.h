// How the archive writer reads paths and masks: making them absolute, expanding a mask against a
// folder, and turning a source path into the name stored in the archive. Paths keep the Windows
// view ("C:\base\a.txt", "\\server\share\x"); on POSIX an absolute path starts with "/", and
// both separators are accepted on either platform.
//   MakeStoredName("C:\\base\\Sub\\a.txt", "C:\\base", spRelativePath) == "Sub/a.txt"
#pragma once

#include <string>
#include <string_view>

#include "common/path_parts.h"
#include "zip/archive_types.h"

namespace tavisto::zip {

// The separator of this platform's paths.
[[nodiscard]] char NativeSeparator();
// Every "\" and "/" turned into the platform's separator.
[[nodiscard]] std::string NativeSeparators(std::string_view path);

// True for a path with a drive (contains ":"), a network path ("\\server"), and on POSIX a
// path from the root ("/").
[[nodiscard]] bool IsAbsolutePath(std::string_view path);
// "C:", "\\server\share", or "" when the path names no drive.
[[nodiscard]] std::string DrivePart(std::string_view path);
// Everything up to and including the last separator (or the drive's colon).
[[nodiscard]] std::string FolderPart(std::string_view path);
// Everything after the last separator (or the drive's colon).
[[nodiscard]] std::string NamePart(std::string_view path);
// folder + separator (unless folder already ends in one) + name.
[[nodiscard]] std::string JoinPath(std::string_view folder, std::string_view name);

// Case-blind comparison.
[[nodiscard]] bool EqualIgnoringCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// The absolute form of path: a path with a drive or a network path stays as it is; one that
// starts with a separator is taken on the current drive; any other path is appended to
// `against` (the current directory when empty); an empty path gives `against` itself. "." and
// ".." steps and doubled separators are resolved, as the system does for full path names, so
// that two spellings of one file compare equal.
[[nodiscard]] std::string ExpandPath(const std::string& path, const std::string& against = {});

struct ExpandedMask {
  std::string full;  // the mask as an absolute path pattern
  bool plain = false;  // a bare mask ("*.txt", "sub\*.txt") appended to the folder
};

// A mask made absolute against folder: "\x" and ".\x" are taken inside folder, masks with a
// drive, a network path or "..\" stay as they are, any other mask is appended to folder.
[[nodiscard]] ExpandedMask ExpandMask(const std::string& mask, const std::string& folder);

// path relative to base, both absolute: "..\" for each folder of base that path is not in,
// then the rest of path. Different drives: path unchanged.
[[nodiscard]] std::string RelativePath(const std::string& path, const std::string& base);

// The entry name for a source path: relative to base (or just the name, or the full path, by
// mode), without drive or server, without a trailing separator or ".", with "/" separators. A
// relative form that would climb out of base gives the absolute path without its drive.
[[nodiscard]] std::string MakeStoredName(const std::string& path, const std::string& base,
                                         TArcStorePathMode mode);

}  // namespace tavisto::zip
