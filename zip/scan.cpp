// The scan walks depth-first: the matching files of a folder, then each subfolder in listing
// order. It never opens a file; sizes, attributes and times come from the listing.
#include "zip/scan.h"

#include "os/files.h"
#include "os/os_error.h"
#include "zip/path_rules.h"

namespace tavisto::zip {
namespace {

// The attributes a listing leaves out unless the caller asks for them, as the file search does.
constexpr uint32_t kSpecialAttributes =
    os::kAttrHidden | os::kAttrSystem | os::kAttrVolumeLabel | os::kAttrDirectory;
// A file without any attribute bit counts when all of these are asked for.
constexpr uint32_t kPlainFileAttributes =
    os::kAttrReadOnly | os::kAttrHidden | os::kAttrSystem | os::kAttrArchive;

bool IsDots(const std::string& name) { return name == "." || name == ".."; }

bool HasWildcard(const std::string& mask) { return mask.find_first_of("*?") != std::string::npos; }

bool HasSeparator(const std::string& mask) { return mask.find_first_of("\\/") != std::string::npos; }

}  // namespace

bool AttributesQualify(uint32_t attributes, uint32_t set) {
  return (attributes & set) != 0 || (attributes == 0 && (set & kPlainFileAttributes) == kPlainFileAttributes);
}

Scanner::Scanner(ScanSettings settings, Take take, Unreadable unreadable, Linked linked)
    : settings_(std::move(settings)),
      take_(std::move(take)),
      unreadable_(std::move(unreadable)),
      linked_(std::move(linked)) {}

bool Scanner::ReadListing(const std::string& pattern, std::vector<os::DirEntry>& entries) {
  entries.clear();
  os::DirListing listing(pattern);
  for (os::DirEntry entry; listing.Next(entry);) entries.push_back(std::move(entry));
  const uint32_t error = listing.Error();
  // A folder that is not there holds nothing to leave out; one that is there and cannot be
  // read does.
  if (error == os::kErrorSuccess || error == os::kErrorFileNotFound || error == os::kErrorPathNotFound) return true;
  entries.clear();
  unreadable_(FolderPart(pattern), error);
  return false;
}

bool Scanner::Excluded(const std::string& path, bool isFolder) const {
  for (const std::string& exclusion : settings_.exclusions)
    if (NameMatchesMask(path, exclusion, isFolder, settings_.folders)) return true;
  return false;
}

bool Scanner::AddFoundEntry(const os::DirEntry& entry, const std::string& folder, bool isFolder) {
  std::string path = JoinPath(folder, entry.name);
  if (isFolder) path += NativeSeparator();
  if (Excluded(path, isFolder)) return false;
  take_(path, entry, isFolder);
  return true;
}

void Scanner::ScanFolder(const std::string& folder, const std::string& mask, bool recurse) {
  const ExpandedMask expanded = ExpandMask(mask, folder);
  const std::string& full = expanded.full;
  const std::string listedFolder = FolderPart(full);
  const uint32_t set = settings_.attributes;

  // A mask naming one existing file, by its absolute path.
  if (full == NativeSeparators(mask) && !HasWildcard(full) && os::FileExists(full)) {
    os::DirListing listing(full);
    os::DirEntry entry;
    if (listing.Next(entry)) AddFoundEntry(entry, listedFolder, false);
    return;
  }

  // One listing serves both passes when the mask lists every name anyway: a folder is then
  // read (and every entry's attributes asked) once instead of twice.
  const std::string fileMask = NamePart(full);
  const bool listsEverything = fileMask == "*.*" || fileMask == "*";
  std::vector<os::DirEntry> entries;
  if (!ReadListing(full, entries)) return;

  const uint32_t asked = set & ~os::kAttrDirectory;
  for (const os::DirEntry& entry : entries) {
    if (entry.attributes & ~asked & kSpecialAttributes) continue;
    if (!AttributesQualify(entry.attributes, set)) continue;
    if (entry.IsLink()) {
      const std::string path = JoinPath(listedFolder, entry.name);
      if (linked_ && !Excluded(path, false)) linked_(path);
      continue;
    }
    AddFoundEntry(entry, listedFolder, false);
  }

  const bool foldersAsked = (set & os::kAttrDirectory) != 0;
  if (!foldersAsked && !recurse) return;
  if (!listsEverything && !ReadListing(JoinPath(listedFolder, "*"), entries)) return;
  for (const os::DirEntry& entry : entries) {
    if (!(entry.attributes & os::kAttrDirectory) || IsDots(entry.name)) continue;
    const std::string subfolder = JoinPath(listedFolder, entry.name);
    if (Excluded(subfolder, true)) continue;
    const bool link = (entry.attributes & os::kAttrReparsePoint) != 0;
    // A trailing "." lets a folder without an extension match "*.*".
    if (foldersAsked && (WildcardMatch(subfolder, full) || WildcardMatch(subfolder + ".", full))) {
      if (!AddFoundEntry(entry, listedFolder, true)) continue;
      if (!link) ScanFolder(subfolder, fileMask, true);
      else if (linked_) linked_(subfolder);
      continue;
    }
    if (!recurse) continue;
    if (link) {
      if (linked_) linked_(subfolder);
      continue;
    }
    if (HasSeparator(mask)) {
      if (HasWildcard(mask)) ScanFolder(subfolder, fileMask, true);
    } else {
      ScanFolder(subfolder, mask, true);
    }
  }
}

}  // namespace tavisto::zip
