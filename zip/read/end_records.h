// The records that end an archive, found from its end: the end record by a search bounded to
// its size and the longest comment, then the Zip64 locator right before it and the Zip64 end
// record it points to. They say how many parts the set has and where its central directory is.
//   const EndOfDirectory end = FindEndOfDirectory(lastPart);   // FormatError: not an archive
//   if (end.lastDisk > 0) ... // a split set: parts 0 .. lastDisk, the last being lastPart
#pragma once

#include <cstdint>

#include "zip/read/byte_source.h"

namespace tavisto::zip::read {

struct EndOfDirectory {
  uint32_t lastDisk = 0;        // the number of the part that holds these records (the last one)
  uint32_t directoryDisk = 0;   // the part where the central directory starts
  uint64_t directoryOffset = 0; // and where in it
  uint64_t directorySize = 0;
  uint64_t entries = 0;
  uint64_t recordsOffset = 0;   // where these records start in the last part (the Zip64 ones first)
  bool zip64 = false;
};

// The end records of the archive whose last part is lastPart. FormatError when it holds none
// ("... is not a ZIP archive") or when they do not hold together.
[[nodiscard]] EndOfDirectory FindEndOfDirectory(const ByteSource& lastPart);

}  // namespace tavisto::zip::read
