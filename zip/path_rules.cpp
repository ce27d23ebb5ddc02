// Path rules of the archive writer. Windows rules are plain string logic here, so they are the
// same (and tested) on every platform; only the current directory comes from the system.
#include "zip/path_rules.h"

#include <vector>

#include "os/files.h"
#include "zip/name_case.h"

namespace tavisto::zip {
namespace {

bool StartsWithTwoSeparators(std::string_view path) {
  return path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
}

// On POSIX a leading "/" is the root of the one file tree, not "the current drive".
bool RootedAtSeparator(std::string_view path) {
  return NativeSeparator() == '/' && !path.empty() && IsPathSeparator(path[0]);
}

size_t LastSeparatorOrColon(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsPathSeparator(path[i - 1]) || path[i - 1] == ':') return i - 1;
  return std::string_view::npos;
}

std::vector<std::string> SplitFolders(std::string_view path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (IsPathSeparator(c)) {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

// Resolves "." and ".." steps and doubled separators after the drive; keeps a trailing separator.
std::string Canonical(const std::string& path) {
  const std::string drive = DrivePart(path);
  const std::string_view rest = std::string_view(path).substr(drive.size());
  const bool rooted = !rest.empty() && IsPathSeparator(rest.front());
  const bool trailing = rest.size() > 1 && IsPathSeparator(rest.back());
  std::vector<std::string> kept;
  for (std::string& part : SplitFolders(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!kept.empty() && kept.back() != "..") kept.pop_back();
      else if (!rooted) kept.push_back(part);
      continue;
    }
    kept.push_back(std::move(part));
  }
  std::string result = drive;
  if (rooted) result += NativeSeparator();
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) result += NativeSeparator();
    result += kept[i];
  }
  if (trailing && !kept.empty()) result += NativeSeparator();
  return result;
}

std::string CurrentFolder() { return NativeSeparators(os::CurrentDirectory()); }

// True when ExpandPath would give the path back unchanged: absolute, the platform's separators
// only, no "." or ".." steps and no doubled separators. Paths the scan builds are like that,
// so the common case costs one pass over the characters.
bool IsCanonicalAbsolute(std::string_view path) {
  if (!IsAbsolutePath(path)) return false;
  const std::string_view rest = path.substr(DrivePart(path).size());
  size_t start = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i < rest.size() && !IsPathSeparator(rest[i])) continue;
    if (i < rest.size() && rest[i] != NativeSeparator()) return false;
    const std::string_view step = rest.substr(start, i - start);
    // Empty steps only before a leading root separator and after a trailing one.
    if (step.empty() && i != 0 && i != rest.size()) return false;
    if (step == "." || step == "..") return false;
    start = i + 1;
  }
  return true;
}

}  // namespace

char NativeSeparator() { return os::PathSeparator(); }

std::string NativeSeparators(std::string_view path) {
  std::string result(path);
  for (char& c : result)
    if (IsPathSeparator(c)) c = NativeSeparator();
  return result;
}

bool IsAbsolutePath(std::string_view path) {
  return path.find(':') != std::string_view::npos || StartsWithTwoSeparators(path) ||
         RootedAtSeparator(path);
}

std::string DrivePart(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (StartsWithTwoSeparators(path)) {
    // \\server\share
    size_t end = path.find_first_of("\\/", 2);
    if (end != std::string_view::npos) end = path.find_first_of("\\/", end + 1);
    return std::string(path.substr(0, end));
  }
  return std::string();
}

std::string FolderPart(std::string_view path) {
  const size_t at = LastSeparatorOrColon(path);
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string NamePart(std::string_view path) {
  const size_t at = LastSeparatorOrColon(path);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string result(folder);
  if (!result.empty() && !IsPathSeparator(result.back())) result += NativeSeparator();
  result += name;
  return result;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) { return FoldedEqual(a, b); }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) { return FoldedStartsWith(text, prefix); }

std::string ExpandPath(const std::string& path, const std::string& against) {
  if (path.empty()) return against.empty() ? Canonical(CurrentFolder()) : ExpandPath(against);
  const std::string native = NativeSeparators(path);
  if (IsAbsolutePath(native)) return Canonical(native);
  if (IsPathSeparator(native.front())) return Canonical(DrivePart(CurrentFolder()) + native);
  const std::string base = against.empty() ? CurrentFolder() : ExpandPath(against);
  return Canonical(JoinPath(base, native));
}

ExpandedMask ExpandMask(const std::string& mask, const std::string& folder) {
  const std::string native = NativeSeparators(mask);
  if (!native.empty() && IsPathSeparator(native.front())) {
    if (native.size() == 1) return {folder, false};
    if (IsAbsolutePath(native)) return {native, false};
    return {JoinPath(folder, native.substr(1)), false};
  }
  if (native.size() >= 2 && native[0] == '.' && IsPathSeparator(native[1]))
    return {JoinPath(folder, native.substr(2)), false};
  if (native.find(':') != std::string::npos || native.find("..\\") != std::string::npos ||
      native.find("../") != std::string::npos)
    return {native, false};
  return {JoinPath(folder, native), true};
}

std::string RelativePath(const std::string& path, const std::string& base) {
  const std::string pathDrive = DrivePart(path);
  if (!EqualIgnoringCase(pathDrive, DrivePart(base))) return path;
  const std::vector<std::string> baseFolders = SplitFolders(std::string_view(base).substr(pathDrive.size()));
  const std::vector<std::string> pathFolders =
      SplitFolders(std::string_view(FolderPart(path)).substr(pathDrive.size()));
  size_t common = 0;
  while (common < baseFolders.size() && common < pathFolders.size() &&
         EqualIgnoringCase(baseFolders[common], pathFolders[common]))
    ++common;
  std::string result;
  for (size_t i = common; i < baseFolders.size(); ++i) {
    result += "..";
    result += NativeSeparator();
  }
  for (size_t i = common; i < pathFolders.size(); ++i) {
    result += pathFolders[i];
    result += NativeSeparator();
  }
  return result + NamePart(path);
}

std::string MakeStoredName(const std::string& path, const std::string& base, TArcStorePathMode mode) {
  const std::string absoluteBase = IsCanonicalAbsolute(base) ? base : ExpandPath(base);
  std::string absolute = IsCanonicalAbsolute(path) ? path : ExpandPath(path, absoluteBase);
  // A "." step is gone with the canonical form; a dot that ends a name is the name's own (a file
  // another system named so, reached through the extended form) and stays.
  if (!absolute.empty() && IsPathSeparator(absolute.back())) absolute.pop_back();

  std::string name;
  switch (mode) {
    case spNoPath: name = NamePart(absolute); break;
    case spRelativePath: {
      // Below the base (the scan's case) the relative path is simply the rest.
      const std::string prefix = JoinPath(absoluteBase, "");
      if (absolute.size() > prefix.size() && StartsWithIgnoringCase(absolute, prefix)) {
        name = absolute.substr(prefix.size());
        break;
      }
      name = RelativePath(absolute, absoluteBase);
      if (name.find("..\\") != std::string::npos || name.find("../") != std::string::npos) name = absolute;
      break;
    }
    case spFullPath:
    case spFullPathWithDrive: name = absolute; break;
  }
  if (mode != spFullPathWithDrive) {
    const size_t colon = name.find(':');
    if (colon != std::string::npos) {
      name.erase(0, colon + 1);
    } else if (StartsWithTwoSeparators(name)) {
      const size_t server = name.find_first_of("\\/", 2);
      name.erase(0, server == std::string::npos ? name.size() : server + 1);
    }
    if (!name.empty() && IsPathSeparator(name.front())) name.erase(0, 1);
  }
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

}  // namespace tavisto::zip
