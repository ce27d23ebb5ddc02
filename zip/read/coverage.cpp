#include "zip/read/coverage.h"

#include <iterator>

namespace tavisto::zip::read {

bool CoverageList::Claim(uint64_t begin, uint64_t end) {
  // The first span that starts after begin, and the one before it (which starts at or before).
  auto next = spans_.upper_bound(begin);
  if (next != spans_.begin() && std::prev(next)->second > begin) return false;
  if (next != spans_.end() && next->first < end) return false;
  if (end > begin) spans_.emplace(begin, end);
  return true;
}

}  // namespace tavisto::zip::read
