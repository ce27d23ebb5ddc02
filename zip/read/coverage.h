// The bytes of a set already claimed, as a sorted list of spans: the central directory and the
// end records from the start, then each entry's local header and data as it is placed. A span
// that overlaps one already claimed is refused: that is how an overlapping-entry bomb (many
// entries sharing one block of data) is caught, in O(n log n) for n entries.
//   CoverageList covered;
//   covered.Claim(directoryStart, directoryEnd);
//   if (!covered.Claim(headerStart, dataEnd)) refuse("its data overlaps another entry's");
#pragma once

#include <cstdint>
#include <map>

namespace tavisto::zip::read {

class CoverageList {
 public:
  // Claims [begin, end) when no byte of it is claimed yet; false (and nothing claimed) when one
  // is. An empty span claims nothing, and is refused only where it falls inside a claimed one.
  [[nodiscard]] bool Claim(uint64_t begin, uint64_t end);

 private:
  std::map<uint64_t, uint64_t> spans_;  // begin -> end, none overlapping
};

}  // namespace tavisto::zip::read
