// The parts of a split set behind one stream, so that what reads above it never knows whether a
// set is split: a place is a part's number and an offset in it (as the records give them), and a
// read that reaches a part's end goes on at the start of the next. A single archive is a set of
// one part. A part that is missing, or shorter than it was packed, stops a read that reaches it,
// by name; the parts present still read.
//   PartSet set({{"ZorvelData.z01", &first, 4097152}, {"ZorvelData.zip", &last, 0}});
//   Location at{0, 1234};
//   size_t got = set.Read(at, buffer, 4096);   // at moves past what was read
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/read/byte_source.h"

namespace tavisto::zip::read {

struct Location {
  uint32_t disk = 0;    // the part, counted from 0
  uint64_t offset = 0;  // within it
};

struct Part {
  std::string name;                     // as the set names it ("ZorvelData.z02")
  const ByteSource* source = nullptr;   // nothing: the part is missing
  uint64_t expectedSize = 0;            // the size it was packed at, when known (else 0)
};

class PartSet {
 public:
  explicit PartSet(std::vector<Part> parts);

  [[nodiscard]] uint32_t Count() const { return static_cast<uint32_t>(parts_.size()); }
  [[nodiscard]] const Part& At(uint32_t disk) const { return parts_.at(disk); }
  // The bytes the part holds (0 for a missing one).
  [[nodiscard]] uint64_t SizeOf(uint32_t disk) const;
  // The whole set's bytes, the parts laid end to end.
  [[nodiscard]] uint64_t TotalSize() const { return total_; }

  // Whether at names a byte of a part that is there.
  [[nodiscard]] bool Contains(Location at) const;
  // at's place in the parts laid end to end (for at inside the set, or at a part's end).
  [[nodiscard]] uint64_t Global(Location at) const;

  // Reads up to count bytes from at, on into the next parts, and moves at past them; fewer only
  // at the end of the last part. FormatError when the read reaches a part that is missing or
  // that ends before its packed size; ReadError when the system refuses.
  size_t Read(Location& at, void* buffer, size_t count) const;

 private:
  std::vector<Part> parts_;
  std::vector<uint64_t> starts_;  // by part, where it starts when the parts are laid end to end
  uint64_t total_ = 0;
};

}  // namespace tavisto::zip::read
