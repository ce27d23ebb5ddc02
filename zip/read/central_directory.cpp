#include "zip/read/central_directory.h"

#include <algorithm>

#include <zlib.h>

#include "zip/read/gate.h"
#include "zip/read/oem_names.h"
#include "zip/records.h"

namespace tavisto::zip::read {
namespace {

constexpr uint16_t kUnicodePathExtraId = 0x7075;  // Info-ZIP's UTF-8 name beside a code-page one
constexpr unsigned kHostUnix = 3;
constexpr unsigned kHostMac = 19;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixSymbolicLink = 0120000;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr size_t kReadPiece = 64 * 1024;

// The directory's bytes in order, read a piece at a time across parts.
class DirectoryBytes {
 public:
  DirectoryBytes(const PartSet& parts, Location from, uint64_t size) : parts_(parts), at_(from), left_(size) {}

  // The next count bytes; FormatError when the directory ends first.
  std::string_view Next(size_t count) {
    if (count > left_ + (buffer_.size() - used_)) throw FormatError("the central directory is cut short");
    while (buffer_.size() - used_ < count) {
      buffer_.erase(0, used_);
      used_ = 0;
      const size_t want = static_cast<size_t>(std::min<uint64_t>(left_, std::max(kReadPiece, count)));
      const size_t had = buffer_.size();
      buffer_.resize(had + want);
      const size_t got = parts_.Read(at_, buffer_.data() + had, want);
      buffer_.resize(had + got);
      left_ -= got;
      if (got < want) throw FormatError("the central directory runs past the end of the set");
    }
    const std::string_view bytes = std::string_view(buffer_).substr(used_, count);
    used_ += count;
    return bytes;
  }

 private:
  const PartSet& parts_;
  Location at_;
  uint64_t left_;
  std::string buffer_;
  size_t used_ = 0;
};

// The values the Zip64 field holds: only those whose short field is all ones, in this order.
void ApplyZip64(std::string_view data, EntryRecord& entry, bool offsetFull, bool diskFull) {
  RecordBytes z(data, "An entry's Zip64 field");
  if (entry.uncompressedSize == kMax32) entry.uncompressedSize = z.U64();
  if (entry.compressedSize == kMax32) entry.compressedSize = z.U64();
  if (offsetFull) entry.header.offset = z.U64();
  if (diskFull) entry.header.disk = z.U32();
}

// Info-ZIP's Unicode path: version 1, the CRC-32 of the stored name it stands for, the name.
void ApplyUnicodePath(std::string_view data, EntryRecord& entry) {
  if (data.size() < 5 || data[0] != 1) return;
  RecordBytes u(data.substr(1), "An entry's Unicode path field");
  const uint32_t crc = u.U32();
  const auto* raw = reinterpret_cast<const Bytef*>(entry.rawName.data());
  if (crc != static_cast<uint32_t>(::crc32(0, raw, static_cast<uInt>(entry.rawName.size())))) return;  // stale
  entry.name = std::string(data.substr(5));
  entry.utf8 = true;
}

EntryRecord ReadRecord(DirectoryBytes& bytes, const PartSet& parts) {
  RecordBytes fields(bytes.Next(kCentralHeaderSize), "A central record");
  if (fields.U32() != kCentralHeaderSignature) throw FormatError("a central record is missing where the directory says");
  EntryRecord entry;
  entry.madeBy = fields.U16();
  fields.Skip(2);  // version needed
  entry.flags = fields.U16();
  entry.method = fields.U16();
  entry.time = fields.U16();
  entry.date = fields.U16();
  entry.crc = fields.U32();
  entry.compressedSize = fields.U32();
  entry.uncompressedSize = fields.U32();
  const uint16_t nameLength = fields.U16();
  const uint16_t extraLength = fields.U16();
  const uint16_t commentLength = fields.U16();
  entry.header.disk = fields.U16();
  fields.Skip(2);  // internal attributes
  entry.externalAttributes = fields.U32();
  entry.header.offset = fields.U32();
  const bool offsetFull = entry.header.offset == kMax32;
  const bool diskFull = entry.header.disk == kMax16;

  entry.rawName = std::string(bytes.Next(nameLength));
  entry.utf8 = (entry.flags & kFlagUtf8) != 0;
  entry.name = entry.utf8 ? entry.rawName : OemNameToUtf8(entry.rawName, OemCodePage::k437);
  RecordBytes extra(bytes.Next(extraLength), "An entry's extra field");
  while (extra.Left() >= 4) {
    const uint16_t id = extra.U16();
    const std::string_view data = extra.Take(extra.U16());
    if (id == kZip64ExtraId) ApplyZip64(data, entry, offsetFull, diskFull);
    if (id == kUnicodePathExtraId && !entry.utf8) ApplyUnicodePath(data, entry);
  }
  (void)bytes.Next(commentLength);

  if (entry.header.disk >= parts.Count())
    throw FormatError(entry.name + " is said to start on part " + std::to_string(uint64_t(entry.header.disk) + 1) +
                      ", and the set has " + std::to_string(parts.Count()));
  return entry;
}

}  // namespace

bool EntryRecord::IsFolder() const { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }

bool EntryRecord::IsSymbolicLink() const {
  const unsigned host = madeBy >> 8;
  return (host == kHostUnix || host == kHostMac) && ((externalAttributes >> 16) & kUnixTypeMask) == kUnixSymbolicLink;
}

bool EntryRecord::IsEncrypted() const { return (flags & (kFlagEncrypted | kFlagStrongEncryption)) != 0; }

std::string MethodName(uint16_t method) {
  switch (method) {
    case 1: return "shrink";
    case 6: return "implode";
    case 9: return "deflate64";
    case 12: return "bzip2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "XZ";
    case 98: return "PPMd";
    case 99: return "AES encryption";
    default: return "method " + std::to_string(method);
  }
}

CentralDirectory ReadCentralDirectory(const PartSet& parts, const EndOfDirectory& end) {
  if (end.lastDisk + 1 != parts.Count())
    throw FormatError("the set has " + std::to_string(parts.Count()) + " parts, and its end record says " +
                      std::to_string(uint64_t(end.lastDisk) + 1));
  CentralDirectory directory;
  directory.start = Location{end.directoryDisk, end.directoryOffset};
  directory.size = end.directorySize;
  directory.endRecords = Location{end.lastDisk, end.recordsOffset};
  if (!parts.Contains(directory.start) && !(end.entries == 0 && end.directorySize == 0))
    throw FormatError("the central directory is said to start outside " + parts.At(end.directoryDisk).name);
  // Every record takes at least its fixed bytes, and the directory lies before the end records:
  // a count or a size that cannot be is refused before anything is allocated for it.
  const uint64_t least = CheckedMultiply(end.entries, kCentralHeaderSize, "the entry count");
  if (least > end.directorySize)
    throw FormatError("the end record counts " + std::to_string(end.entries) + " entries, more than its central directory of " +
                      std::to_string(end.directorySize) + " bytes can hold");
  if (end.entries > 0) {
    const uint64_t directoryEnd = CheckedAdd(parts.Global(directory.start), end.directorySize, "the central directory");
    if (directoryEnd > parts.Global(directory.endRecords))
      throw FormatError("the central directory is said to run past the end records");
  }
  directory.entries.reserve(ToSize(end.entries, "the entry count"));
  DirectoryBytes bytes(parts, directory.start, end.directorySize);
  for (uint64_t i = 0; i < end.entries; ++i) directory.entries.push_back(ReadRecord(bytes, parts));
  return directory;
}

}  // namespace tavisto::zip::read
