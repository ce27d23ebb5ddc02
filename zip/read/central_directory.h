// The central directory read once into small records, every field through the gate: names and
// extra fields within their record, the Zip64 values where the short fields say so, each entry's
// part and offset inside the set, the count and size held to what the set can hold before
// anything is allocated.
//   const CentralDirectory directory = ReadCentralDirectory(parts, FindEndOfDirectory(last));
//   for (const EntryRecord& entry : directory.entries) ...
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/read/end_records.h"
#include "zip/read/part_set.h"

namespace tavisto::zip::read {

struct EntryRecord {
  std::string name;     // UTF-8: the stored bytes when flagged (or from Info-ZIP's Unicode path
                        // field), else read in code page 437
  std::string rawName;  // the bytes as stored
  bool utf8 = false;    // name is the stored UTF-8, not a code-page reading
  uint16_t madeBy = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  Location header;  // of the local header
  uint32_t externalAttributes = 0;

  // A folder: its name ends in a separator.
  [[nodiscard]] bool IsFolder() const;
  // A Unix symbolic link (its mode in the high half of the attributes, from a Unix or macOS host).
  [[nodiscard]] bool IsSymbolicLink() const;
  [[nodiscard]] bool IsEncrypted() const;
};

struct CentralDirectory {
  std::vector<EntryRecord> entries;  // in directory order
  Location start;                    // the first central record
  uint64_t size = 0;
  Location endRecords;               // where the end records begin, in the last part
};

// Reads the directory the end records describe. FormatError when it does not hold together: it
// lies outside the set, its count or size cannot be, a record is cut or points outside its part.
[[nodiscard]] CentralDirectory ReadCentralDirectory(const PartSet& parts, const EndOfDirectory& end);

// The method's name for messages ("bzip2", "method 14").
[[nodiscard]] std::string MethodName(uint16_t method);

}  // namespace tavisto::zip::read
