// A small ZIP maker for tests, independent of the archive writer, that writes what honest writers
// write and the lies hostile archives tell: any name, attributes of any host, sizes and CRCs that
// differ from the data, entries sharing one local header, Zip64 records for small values, a
// central directory cut or miscounted, sets split into parts.
//   RawArchive archive;
//   archive.entries.push_back({"../evil.txt", "x"});
//   std::vector<std::string> parts = MakeZip(archive);          // one part unless partSize is set
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavisto::test {

struct RawEntry {
  RawEntry(std::string entryName, std::string entryData, bool deflated = false, std::optional<uint64_t> declared = {},
           uint16_t host = 20, uint32_t attributes = 0x20)
      : name(std::move(entryName)), data(std::move(entryData)), deflate(deflated), declaredSize(declared),
        madeBy(host), externalAttributes(attributes) {}
  std::string name;
  std::string data;  // what the entry unpacks to
  bool deflate = false;
  std::optional<uint64_t> declaredSize;  // the uncompressed size the records give (else the data's)
  uint16_t madeBy = 20;                  // (3 << 8) | 20 for a Unix host
  uint32_t externalAttributes = 0x20;
  uint16_t flags = 0;
  std::optional<uint16_t> method;        // else 8 or 0
  std::optional<size_t> sharesHeaderOf;  // points at that earlier entry's local header, writes none
};

struct RawArchive {
  std::vector<RawEntry> entries;
  bool zip64 = false;                    // sizes and offsets in Zip64 fields, and the Zip64 end records
  std::optional<uint64_t> declaredCount;  // the entry count the end records give
  size_t cutDirectory = 0;               // bytes left out at the end of the central directory
  size_t partSize = 0;                   // split into parts of at most this size (headers kept whole)
  std::string prefix;                    // bytes before the first entry (Info-ZIP's split marker)
};

// The archive's parts, first to last (one for an archive that is not split).
[[nodiscard]] std::vector<std::string> MakeZip(const RawArchive& archive);

// Raw deflate of data (zlib, level 6).
[[nodiscard]] std::string Deflated(const std::string& data);

}  // namespace tavisto::test
