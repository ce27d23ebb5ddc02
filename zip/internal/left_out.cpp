#include "zip/internal/left_out.h"

#include <algorithm>

namespace tavisto::zip {

void LeftOutList::Note(LeftOutFile file, int64_t order) {
  for (const Entry& each : entries_)
    if (each.file.path == file.path) return;
  entries_.push_back({std::move(file), order});
}

std::vector<LeftOutFile> LeftOutList::InScanOrder(bool links) const {
  std::vector<Entry> sorted;
  for (const Entry& each : entries_)
    if ((each.file.kind == LeftOutKind::Link) == links) sorted.push_back(each);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return a.order < b.order; });
  std::vector<LeftOutFile> files;
  for (Entry& each : sorted) files.push_back(std::move(each.file));
  return files;
}

}  // namespace tavisto::zip
