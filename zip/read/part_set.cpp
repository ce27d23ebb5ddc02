#include "zip/read/part_set.h"

#include <algorithm>

#include "common/size_text.h"
#include "zip/read/gate.h"

namespace tavisto::zip::read {

PartSet::PartSet(std::vector<Part> parts) : parts_(std::move(parts)) {
  for (uint32_t disk = 0; disk < parts_.size(); ++disk) {
    starts_.push_back(total_);
    total_ = CheckedAdd(total_, SizeOf(disk), "the set's parts");
  }
}

uint64_t PartSet::SizeOf(uint32_t disk) const {
  const Part& part = parts_.at(disk);
  return part.source ? part.source->Size() : 0;
}

bool PartSet::Contains(Location at) const { return at.disk < parts_.size() && at.offset < SizeOf(at.disk); }

uint64_t PartSet::Global(Location at) const { return starts_.at(at.disk) + at.offset; }

size_t PartSet::Read(Location& at, void* buffer, size_t count) const {
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count && at.disk < parts_.size()) {
    const Part& part = parts_[at.disk];
    if (!part.source) throw FormatError(part.name + " is missing");
    const uint64_t size = part.source->Size();
    if (at.offset < size) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(count - done, size - at.offset));
      const size_t got = part.source->ReadAt(at.offset, out + done, want);
      at.offset += got;
      done += got;
      if (got < want) throw ReadError(part.name + " ended while it was read");
      continue;
    }
    if (part.expectedSize > size)
      throw FormatError(part.name + " ends " + DigitsGrouped(part.expectedSize - size) + " bytes early");
    if (at.disk + 1 == parts_.size()) break;
    at = Location{at.disk + 1, 0};
  }
  return done;
}

}  // namespace tavisto::zip::read
