// Folder listing through readdir, in the order Wine's FindFirstFile gives: "." and ".."
// first, then the names sorted by their upper-case form. A symbolic link is listed with what
// it points to and the reparse-point bit, as Windows lists a link; one that points nowhere is
// left out, as Wine leaves it out.
#include "os/dir_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string_view>
#include <utility>
#include <vector>

#include "os/files.h"
#include "os/os_error.h"
#include "os/posix/native_path.h"

namespace tavisto::os {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// The host search's wildcards: "*" any run, "?" any one character, letters without case;
// "*.*" matches every name, also one without a dot.
bool Matches(const char* name, const char* mask) {
  if (*mask == '\0') return *name == '\0';
  if (*mask == '*') {
    if (std::string_view(mask) == "*.*" || std::string_view(mask) == "*") return true;
    for (const char* rest = name;; ++rest) {
      if (Matches(rest, mask + 1)) return true;
      if (*rest == '\0') return false;
    }
  }
  if (*name == '\0') return false;
  if (*mask != '?' && Upper(*mask) != Upper(*name)) return false;
  return Matches(name + 1, mask + 1);
}

std::string UpperName(const std::string& name) {
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
  return upper;
}

}  // namespace

struct DirListing::State {
  std::vector<DirEntry> entries;
  size_t next = 0;
  uint32_t error = kErrorSuccess;
};

DirListing::DirListing(const std::string& pattern) : state_(new State) {
  const std::string native = posix::NativePath(pattern);
  const auto slash = native.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    // Windows says "path not found" for a folder that is not there.
    state_->error = errno == ENOENT ? kErrorPathNotFound : LastErrorCode();
    return;
  }
  std::vector<DirEntry> dots, names;
  for (;;) {
    errno = 0;
    const dirent* item = ::readdir(dir);
    if (!item) {
      if (errno != 0) state_->error = LastErrorCode();
      break;
    }
    const std::string name = item->d_name;
    if (!Matches(name.c_str(), mask.c_str())) continue;
    const std::string path = folder + "/" + name;
    // What a link points to is asked only for links: one call per entry for the rest.
    struct stat link {}, info {};
    if (::lstat(path.c_str(), &link) != 0) continue;
    if (!S_ISLNK(link.st_mode)) info = link;
    else if (::stat(path.c_str(), &info) != 0) continue;
    DirEntry entry;
    entry.name = name;
    entry.attributes = posix::AttributesFromStat(info, name);
    if (S_ISLNK(link.st_mode)) {
      entry.attributes |= kAttrReparsePoint;
      entry.reparseTag = kReparseTagSymlink;
    }
    entry.size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
    entry.lastWrite = posix::FileTimeFromStat(info);
    (name == "." || name == ".." ? dots : names).push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(dots.begin(), dots.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  // Each upper-case key made once, not once per comparison.
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(names.size());
  for (size_t i = 0; i < names.size(); ++i) keys.emplace_back(UpperName(names[i].name), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  state_->entries = std::move(dots);
  state_->entries.reserve(state_->entries.size() + names.size());
  for (const auto& key : keys) state_->entries.push_back(std::move(names[key.second]));
}

DirListing::~DirListing() { delete state_; }

uint32_t DirListing::Error() const noexcept { return state_->error; }

bool DirListing::Next(DirEntry& entry) {
  if (state_->next >= state_->entries.size()) return false;
  entry = std::move(state_->entries[state_->next++]);
  return true;
}

}  // namespace tavisto::os
