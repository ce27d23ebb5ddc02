// An independent reader of ZIP records for tests: it finds the end record from the back, reads
// the central directory and every local header it points to, and names every field, so tests
// assert "entry 2's method is 8", never "byte 38 is 8". It shares no code with the writer.
//   ZipImage zip = ParseZip(bytes);
//   ASSERT_TRUE(zip.problems.empty()) << zip.problems.front();
//   EXPECT_EQ(zip.entries[0].central.name, "a.txt");
//   EXPECT_EQ(EntryData(zip, 0), "content");
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavisto::test {

struct LocalHeaderFields {
  uint64_t offset = 0;  // where the header starts (in its volume)
  uint32_t signature = 0;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  std::string name;
  std::string extra;
  uint64_t dataOffset = 0;  // first byte after name and extra
  // The sizes, taken from the Zip64 extra field where the 32-bit fields are 0xFFFFFFFF.
  uint64_t compressed = 0;
  uint64_t uncompressed = 0;
};

struct CentralRecordFields {
  uint32_t volume = 0;  // the volume the record starts in
  uint64_t offset = 0;  // where it starts there
  uint32_t signature = 0;
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint16_t diskNumberStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;
  std::string name;
  std::string extra;
  std::string comment;
  // The values themselves: from the Zip64 extra field where the 32-bit field is all ones.
  uint64_t compressed = 0;
  uint64_t uncompressed = 0;
  uint64_t headerOffset = 0;
  uint32_t headerDisk = 0;
  bool hasZip64Extra = false;
};

struct EndRecordFields {
  uint64_t offset = 0;
  uint16_t thisDisk = 0;
  uint16_t directoryStartDisk = 0;
  uint16_t entriesOnThisDisk = 0;
  uint16_t totalEntries = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
  uint16_t commentLength = 0;
};

struct Zip64EndRecordFields {
  uint64_t offset = 0;
  uint64_t recordSize = 0;
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint32_t thisDisk = 0;
  uint32_t directoryStartDisk = 0;
  uint64_t entriesOnThisDisk = 0;
  uint64_t totalEntries = 0;
  uint64_t directorySize = 0;
  uint64_t directoryOffset = 0;
};

struct Zip64LocatorFields {
  uint64_t offset = 0;
  uint32_t zip64EndDisk = 0;
  uint64_t zip64EndOffset = 0;
  uint32_t totalDisks = 0;
};

struct ZipEntry {
  CentralRecordFields central;
  LocalHeaderFields local;
};

struct ZipImage {
  // The archive's files: one for a plain archive, the volumes in order for a split one.
  std::vector<std::string> volumes;
  std::vector<ZipEntry> entries;
  EndRecordFields end;
  std::optional<Zip64EndRecordFields> zip64End;
  std::optional<Zip64LocatorFields> zip64Locator;
  // Everything that does not hold together, in words; empty for a sound archive.
  std::vector<std::string> problems;
};

// Reads an archive held in memory.
[[nodiscard]] ZipImage ParseZip(const std::string& bytes);
// Reads a split archive from its volumes (first to last): disk numbers in the records select
// the volume, offsets are within it; the central directory may run across volumes.
[[nodiscard]] ZipImage ParseSplitZip(const std::vector<std::string>& volumes);

// Reads the records of an archive file without loading its data: for archives of several GiB.
// volumes stays empty, so EntryData and RawEntryData do not apply.
[[nodiscard]] ZipImage ParseZipRecords(const std::string& path);

// The entry's data, inflated (method 8, raw deflate) or as stored (method 0); the CRC and both
// sizes are checked against the central record and problems are added to the image on mismatch.
[[nodiscard]] std::string EntryData(ZipImage& zip, size_t index);

// The entry's stored bytes as they are in the archive (compressed size bytes after the header).
[[nodiscard]] std::string RawEntryData(const ZipImage& zip, size_t index);

// The ZIP CRC-32 computed bit by bit: an implementation of its own, to check the writer's.
[[nodiscard]] uint32_t ReferenceCrc32(const std::string& bytes);

// Counts occurrences of a 4-byte signature in the bytes (a data descriptor 0x08074B50, say).
[[nodiscard]] size_t CountSignature(const std::string& bytes, uint32_t signature);

}  // namespace tavisto::test
