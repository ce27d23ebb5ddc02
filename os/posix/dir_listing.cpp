// Folder listing through readdir, in the order Wine's FindFirstFile gives: "." and ".."
// first, then the names sorted by their upper-case form.
#include "os/dir_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

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
};

DirListing::DirListing(const std::string& pattern) : state_(new State) {
  const std::string native = posix::NativePath(pattern);
  const auto slash = native.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<DirEntry> dots, names;
  while (const dirent* item = ::readdir(dir)) {
    const std::string name = item->d_name;
    if (!Matches(name.c_str(), mask.c_str())) continue;
    struct stat info {};
    if (::stat((folder + "/" + name).c_str(), &info) != 0) continue;
    DirEntry entry;
    entry.name = name;
    entry.attributes = posix::AttributesFromStat(info, name);
    entry.size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
    entry.lastWrite = posix::FileTimeFromStat(info);
    (name == "." || name == ".." ? dots : names).push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(dots.begin(), dots.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  std::stable_sort(names.begin(), names.end(), [](const DirEntry& a, const DirEntry& b) {
    return UpperName(a.name) < UpperName(b.name);
  });
  state_->entries = std::move(dots);
  state_->entries.insert(state_->entries.end(), std::make_move_iterator(names.begin()),
                         std::make_move_iterator(names.end()));
}

DirListing::~DirListing() { delete state_; }

bool DirListing::Next(DirEntry& entry) {
  if (state_->next >= state_->entries.size()) return false;
  entry = state_->entries[state_->next++];
  return true;
}

}  // namespace tavisto::os
