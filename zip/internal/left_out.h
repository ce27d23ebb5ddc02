// The sources one update leaves out (files the host chose to Ignore, folders the scan could not
// read, folder links it did not enter), each once, handed back in the order the scan found them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/archive_types.h"

namespace tavisto::zip {

class LeftOutList {
 public:
  void Clear() { entries_.clear(); }
  // order: the source's place among the entries the scan found (files take even places, a folder
  // that could not be read the odd place before the entry found after it). A path noted twice
  // keeps its first note.
  void Note(LeftOutFile file, int64_t order);
  // Those of the kinds asked for, in scan order.
  [[nodiscard]] std::vector<LeftOutFile> InScanOrder(bool links) const;

 private:
  struct Entry {
    LeftOutFile file;
    int64_t order = 0;
  };
  std::vector<Entry> entries_;
};

}  // namespace tavisto::zip
