#include "zip/internal/left_out.h"

#include <algorithm>

namespace tavisto::zip {

void LeftOutList::Note(const std::string& path, const std::string& reason, int64_t order) {
  for (const Entry& each : entries_)
    if (each.file.path == path) return;
  entries_.push_back({LeftOutFile{path, reason}, order});
}

std::vector<LeftOutFile> LeftOutList::InScanOrder() const {
  std::vector<Entry> sorted = entries_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return a.order < b.order; });
  std::vector<LeftOutFile> files;
  for (Entry& each : sorted) files.push_back(std::move(each.file));
  return files;
}

}  // namespace tavisto::zip
