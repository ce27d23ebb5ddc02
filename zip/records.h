// The ZIP records this writer puts on disk, field by field (all little-endian): local file
// header, central directory record, and the end records. One routine writes both the local and
// the central header from the same fields, so the two can never disagree.
//   std::string header = LocalRecord(item.central, item.storedName, false);
//   std::optional<EndRecord> end = ReadEndRecord(lastBytes);   // an archive's last 22 bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavisto::zip {

inline constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr uint32_t kEndRecordSignature = 0x06054B50;

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kZip64EndRecordSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;

// Version needed to extract: 2.0 with OEM names; host 11 (0x0B14) with ANSI names; 4.5 for Zip64.
inline constexpr uint16_t kVersionOemNames = 20;
inline constexpr uint16_t kVersionAnsiNames = 0x0B14;
inline constexpr uint16_t kVersionZip64 = 45;

inline constexpr uint16_t kFlagEncrypted = 0x0001;
// Folder entries carry flag value 2 (no data follows them).
inline constexpr uint16_t kFlagFolder = 0x0002;
// The name is UTF-8 (bit 11); without it, readers take the name in the OEM code page.
inline constexpr uint16_t kFlagUtf8 = 0x0800;

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;

// The CRC field of a local header until its data has been written.
inline constexpr uint32_t kCrcPlaceholder = 0xFFFFFFFF;

// Values that do not fit a field are written as all ones (with the Zip64 records to tell more).
inline constexpr uint32_t kMax32 = 0xFFFFFFFF;
inline constexpr uint16_t kMax16 = 0xFFFF;

// From this many entries on, the counts of the end record are 0xFFFF and the Zip64 end record and
// its locator precede it.
inline constexpr uint32_t kZip64EntryCount = 65535;

// Zip64 extended information: the extra field's id, and its size in a local header (both sizes).
inline constexpr uint16_t kZip64ExtraId = 0x0001;
inline constexpr uint16_t kZip64LocalExtraSize = 20;

// The fields of a central directory record, in their order, with sizes and offsets in full; the
// record writer puts 0xFFFFFFFF (0xFFFF for the disk) in a field a value does not fit and the
// value itself into the Zip64 extra field. The local header takes the fields it shares. The
// lengths of the name and the extra field are those of what the writer is given with them.
struct CentralFields {
  uint32_t signature = kCentralHeaderSignature;
  uint16_t versionMadeBy = kVersionOemNames;
  uint16_t versionNeeded = kVersionOemNames;
  uint16_t flags = 0;
  uint16_t method = kMethodStored;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint16_t commentLength = 0;
  uint32_t diskNumberStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint64_t localHeaderOffset = 0;
};

// True when a size or the offset does not fit 32 bits, or the disk number 16: the central
// record then carries the Zip64 extra field.
[[nodiscard]] bool CentralNeedsZip64(const CentralFields& fields);

// A local header with its name. With zip64Sizes both size fields are 0xFFFFFFFF and the Zip64
// extra field (20 bytes) follows the name with the two sizes; the header keeps its length when
// it is written again with the final values, as long as zip64Sizes stays the same.
[[nodiscard]] std::string LocalRecord(const CentralFields& fields, const std::string& name, bool zip64Sizes);

// A central record with its name and extra field: the Zip64 field first when needed, then
// otherExtras (already laid out as id, size, data). The comment is not included. The name and
// extra lengths are those of the arguments.
[[nodiscard]] std::string CentralRecord(const CentralFields& fields, const std::string& name,
                                        const std::string& otherExtras);

// Where the central directory lies and what it holds, for the records that end the archive.
struct DirectoryEnd {
  uint64_t entryCount = 0;
  uint64_t directorySize = 0;
  // Volume and position (within that volume) of the first central record.
  uint32_t startDisk = 0;
  uint64_t startOffset = 0;
  // Volume the end records go into, and the position there where they begin.
  uint32_t thisDisk = 0;
  uint64_t endRecordsOffset = 0;
};

// The Zip64 end record and locator (with 65535 entries or more, or when an offset, a size or a
// disk number does not fit the end record), then the end record with an empty comment.
[[nodiscard]] std::string EndRecords(const DirectoryEnd& end);

// The end record's fields as they are written (the values that did not fit as all ones).
struct EndRecord {
  uint16_t thisDisk = 0;   // the number of the volume that holds it: the last one, counted from 0
  uint16_t startDisk = 0;  // the volume where the central directory starts
  uint16_t entriesHere = 0;
  uint16_t entries = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
  uint16_t commentLength = 0;
};

// The end record at the start of bytes (kEndRecordSize of them); nothing when they hold none.
[[nodiscard]] std::optional<EndRecord> ReadEndRecord(std::string_view bytes);

// Little-endian helpers.
void AppendLe16(std::string& out, uint16_t value);
void AppendLe32(std::string& out, uint32_t value);
void AppendLe64(std::string& out, uint64_t value);

}  // namespace tavisto::zip
