// Wildcard matching without regard to case, and the mask rules built on it.
#include "zip/wildcard.h"

#include <type_traits>

#include "os/text_encoding.h"
#include "zip/name_case.h"
#include "zip/path_rules.h"

namespace tavisto::zip {
namespace {

// name and mask as folded characters: "?" takes one character, whatever its length in UTF-8.
// Names and masks of plain ASCII (most of them) are matched on their bytes, with the same folding.
template <typename Char>
bool MatchFrom(std::basic_string_view<Char> name, std::basic_string_view<Char> mask) {
  size_t n = 0;
  size_t m = 0;
  for (;;) {
    if (m + 1 == mask.size() && mask[m] == Char('*')) return true;
    if (n == name.size()) return m == mask.size();
    if (m == mask.size()) return false;
    const Char c = mask[m];
    if (c == Char('*')) {
      // The star takes 0 to (remaining - 1) characters; taking them all is the "*" rule above.
      const std::basic_string_view<Char> rest = mask.substr(m + 1);
      for (size_t skip = 0; skip < name.size() - n; ++skip)
        if (MatchFrom(name.substr(n + skip), rest)) return true;
      return false;
    }
    if (c != Char('?') && FoldChar(char32_t(static_cast<std::make_unsigned_t<Char>>(c))) !=
                              FoldChar(char32_t(static_cast<std::make_unsigned_t<Char>>(name[n]))))
      return false;
    ++n;
    ++m;
  }
}

// path without the working folder in front, when it is inside it.
std::string RelativeTo(const std::string& path, const std::string& folder) {
  const std::string prefix = JoinPath(folder, "");
  if (!folder.empty() && StartsWithIgnoringCase(path, prefix)) return path.substr(prefix.size());
  return path;
}

bool HasSeparator(std::string_view text) {
  return text.find('\\') != std::string_view::npos || text.find('/') != std::string_view::npos;
}

}  // namespace

bool WildcardMatch(std::string_view name, std::string_view mask) {
  if (mask == "*.*") return true;
  if (os::IsAscii(name) && os::IsAscii(mask)) return MatchFrom(name, mask);
  const std::u32string foldedName = FoldedChars(name);
  const std::u32string foldedMask = FoldedChars(mask);
  return MatchFrom(std::u32string_view(foldedName), std::u32string_view(foldedMask));
}

bool NameMatchesMask(const std::string& path, const std::string& mask, bool isFolder,
                     const MaskFolders& folders) {
  if (mask == "*.*") return true;
  std::string target = NativeSeparators(path);
  std::string pattern = NativeSeparators(mask);
  if (isFolder) {
    if (target.empty() || !IsPathSeparator(target.back())) target += NativeSeparator();
    if (!pattern.empty() && pattern.back() != '*' && !IsPathSeparator(pattern.back()))
      pattern += NativeSeparator();
  }
  const std::string working = folders.working.empty() ? ExpandPath("") : folders.working;
  const ExpandedMask expanded =
      IsAbsolutePath(pattern) ? ExpandedMask{pattern, false} : ExpandMask(pattern, working);

  if (expanded.plain) {
    std::string name = RelativeTo(target, working);
    if (!HasSeparator(pattern)) {
      if (isFolder && !name.empty()) name.pop_back();
      name = NamePart(name);
    }
    if (WildcardMatch(name, RelativeTo(expanded.full, working))) return true;
    return WildcardMatch(name, RelativeTo(expanded.full, folders.baseDir));
  }
  const std::string pathFolder = FolderPart(target);
  const std::string maskFolder = FolderPart(expanded.full);
  if (EqualIgnoringCase(pathFolder, maskFolder)) return WildcardMatch(target, expanded.full);
  if (NamePart(expanded.full) == "*.*") return StartsWithIgnoringCase(pathFolder, maskFolder);
  return false;
}

}  // namespace tavisto::zip
