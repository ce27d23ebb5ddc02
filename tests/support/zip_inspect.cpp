// The reader walks the records as the ZIP application note lays them out, with bounds checks
// everywhere: a broken archive yields problems, never a crash.
#include "tests/support/zip_inspect.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "os/files.h"

namespace tavisto::test {
namespace {

constexpr uint32_t kLocal = 0x04034B50;
constexpr uint32_t kCentral = 0x02014B50;
constexpr uint32_t kEnd = 0x06054B50;
constexpr uint32_t kZip64End = 0x06064B50;
constexpr uint32_t kZip64Locator = 0x07064B50;

// A cursor over one volume with little-endian reads; reading past the end sets failed.
class Reader {
 public:
  Reader(const std::string& bytes, uint64_t at) : bytes_(bytes), at_(at) {}
  uint64_t U(int width) {
    uint64_t value = 0;
    if (at_ + width > bytes_.size()) {
      failed = true;
      at_ = bytes_.size();
      return 0;
    }
    for (int i = 0; i < width; ++i) value |= uint64_t(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
    at_ += width;
    return value;
  }
  uint16_t U16() { return static_cast<uint16_t>(U(2)); }
  uint32_t U32() { return static_cast<uint32_t>(U(4)); }
  uint64_t U64() { return U(8); }
  [[nodiscard]] size_t size() const { return bytes_.size(); }
  std::string Text(size_t n) {
    if (at_ + n > bytes_.size()) {
      failed = true;
      at_ = bytes_.size();
      return {};
    }
    std::string s = bytes_.substr(at_, n);
    at_ += n;
    return s;
  }
  uint64_t At() const { return at_; }
  bool failed = false;

 private:
  const std::string& bytes_;
  uint64_t at_;
};

// Where the reader takes bytes from: archives in memory, or files read piece by piece (an
// archive of several GiB need not be held whole).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint32_t VolumeCount() const = 0;
  virtual uint64_t Size(uint32_t volume) const = 0;
  // Up to size bytes from offset (fewer at the end).
  virtual std::string Bytes(uint32_t volume, uint64_t offset, uint64_t size) const = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(const std::vector<std::string>& volumes) : volumes_(volumes) {}
  uint32_t VolumeCount() const override { return static_cast<uint32_t>(volumes_.size()); }
  uint64_t Size(uint32_t volume) const override { return volumes_[volume].size(); }
  std::string Bytes(uint32_t volume, uint64_t offset, uint64_t size) const override {
    const std::string& bytes = volumes_[volume];
    return offset < bytes.size() ? bytes.substr(offset, size) : std::string();
  }

 private:
  const std::vector<std::string>& volumes_;
};

class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& path)
      : file_(os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting)) {}
  uint32_t VolumeCount() const override { return file_ ? 1 : 0; }
  uint64_t Size(uint32_t) const override { return static_cast<uint64_t>(file_->Size().value_or(0)); }
  std::string Bytes(uint32_t, uint64_t offset, uint64_t size) const override {
    const uint64_t available = offset < Size(0) ? Size(0) - offset : 0;
    std::string bytes(static_cast<size_t>(std::min(size, available)), '\0');
    if (bytes.empty() || !file_->Seek(static_cast<int64_t>(offset))) return std::string();
    bytes.resize(file_->Read(bytes.data(), bytes.size()).value_or(0));
    return bytes;
  }

 private:
  mutable std::optional<os::File> file_;
};

// Bytes of the central directory, which may run from one volume into the next ones.
// Where each volume's share of the directory begins in the joined bytes.
struct DirectoryPiece {
  uint64_t joinedAt;
  uint32_t volume;
  uint64_t offset;
};

std::string DirectoryBytes(const ByteSource& source, uint32_t disk, uint64_t offset, uint64_t size,
                           std::vector<DirectoryPiece>& pieces) {
  std::string bytes;
  while (bytes.size() < size && disk < source.VolumeCount()) {
    const uint64_t volumeSize = source.Size(disk);
    if (offset < volumeSize) {
      pieces.push_back({bytes.size(), disk, offset});
      bytes += source.Bytes(disk, offset, std::min(size - bytes.size(), volumeSize - offset));
    }
    ++disk;
    offset = 0;
  }
  return bytes;
}

// The Zip64 extended-information field (id 1) of an extra block, if there is one.
std::optional<std::string> Zip64Extra(const std::string& extra) {
  Reader r(extra, 0);
  while (!r.failed && r.At() + 4 <= extra.size()) {
    const uint16_t id = static_cast<uint16_t>(r.U16());
    const uint16_t size = static_cast<uint16_t>(r.U16());
    std::string data = r.Text(size);
    if (id == 1 && !r.failed) return data;
  }
  return std::nullopt;
}

// Takes the 64-bit value from the Zip64 field for a 32-bit field that is all ones.
template <typename T>
void Resolve(uint64_t raw, uint64_t allOnes, size_t width, Reader* zip64, T& value, bool& missing) {
  value = static_cast<T>(raw);
  if (raw != allOnes) return;
  if (!zip64 || zip64->At() + width > zip64->size()) {
    missing = true;
    return;
  }
  value = static_cast<T>(width == 8 ? zip64->U64() : zip64->U32());
}

ZipImage Parse(const ByteSource& source) {
  ZipImage zip;
  const uint32_t volumeCount = source.VolumeCount();
  if (volumeCount == 0) {
    zip.problems.push_back("no volumes");
    return zip;
  }
  // The end record, from the back (the comment is at most 65535 bytes): the tail is read with
  // room for a Zip64 end record and locator before it.
  const uint64_t lastSize = source.Size(volumeCount - 1);
  const uint64_t tailStart = lastSize > 22 + 65535 + 76 ? lastSize - (22 + 65535 + 76) : 0;
  const std::string last = source.Bytes(volumeCount - 1, tailStart, lastSize - tailStart);
  int64_t at = -1;
  for (int64_t i = int64_t(last.size()) - 22; i >= 0 && i >= int64_t(last.size()) - 22 - 65535; --i) {
    Reader r(last, uint64_t(i));
    if (r.U32() == kEnd) {
      at = i;
      break;
    }
  }
  if (at < 0) {
    zip.problems.push_back("no end-of-central-directory record");
    return zip;
  }
  Reader end(last, uint64_t(at));
  end.U32();
  zip.end.offset = tailStart + uint64_t(at);
  zip.end.thisDisk = end.U16();
  zip.end.directoryStartDisk = end.U16();
  zip.end.entriesOnThisDisk = end.U16();
  zip.end.totalEntries = end.U16();
  zip.end.directorySize = end.U32();
  zip.end.directoryOffset = end.U32();
  zip.end.commentLength = end.U16();
  if (end.At() + zip.end.commentLength != last.size())
    zip.problems.push_back("bytes after the end record and its comment");
  if (zip.end.thisDisk != 0xFFFF && zip.end.thisDisk + 1u != volumeCount)
    zip.problems.push_back("end record's disk number is not the last volume");

  uint64_t entryCount = zip.end.totalEntries;
  uint64_t directorySize = zip.end.directorySize;
  uint64_t directoryOffset = zip.end.directoryOffset;
  uint32_t directoryDisk = zip.end.directoryStartDisk;
  if (at >= 20) {
    Reader locator(last, uint64_t(at) - 20);
    if (locator.U32() == kZip64Locator) {
      Zip64LocatorFields l;
      l.offset = tailStart + uint64_t(at) - 20;
      l.zip64EndDisk = locator.U32();
      l.zip64EndOffset = locator.U64();
      l.totalDisks = locator.U32();
      zip.zip64Locator = l;
      const std::string record64 =
          source.Bytes(std::min(l.zip64EndDisk, volumeCount - 1), l.zip64EndOffset, 56);
      Reader record(record64, 0);
      Zip64EndRecordFields z;
      z.offset = l.zip64EndOffset;
      if (record.U32() != kZip64End) zip.problems.push_back("Zip64 locator does not point at a Zip64 end record");
      z.recordSize = record.U64();
      z.versionMadeBy = record.U16();
      z.versionNeeded = record.U16();
      z.thisDisk = record.U32();
      z.directoryStartDisk = record.U32();
      z.entriesOnThisDisk = record.U64();
      z.totalEntries = record.U64();
      z.directorySize = record.U64();
      z.directoryOffset = record.U64();
      zip.zip64End = z;
      entryCount = z.totalEntries;
      directorySize = z.directorySize;
      directoryOffset = z.directoryOffset;
      directoryDisk = z.directoryStartDisk;
    }
  }
  if (directoryDisk >= volumeCount) {
    zip.problems.push_back("central directory starts on a volume that does not exist");
    return zip;
  }
  std::vector<DirectoryPiece> pieces;
  const std::string directory = DirectoryBytes(source, directoryDisk, directoryOffset, directorySize, pieces);
  if (directory.size() != directorySize) zip.problems.push_back("central directory runs past the archive");

  Reader r(directory, 0);
  for (uint64_t i = 0; i < entryCount; ++i) {
    ZipEntry e;
    CentralRecordFields& c = e.central;
    c.offset = r.At();
    c.signature = r.U32();
    if (c.signature != kCentral) {
      zip.problems.push_back("central record " + std::to_string(i) + " has no central signature");
      return zip;
    }
    c.versionMadeBy = r.U16();
    c.versionNeeded = r.U16();
    c.flags = r.U16();
    c.method = r.U16();
    c.time = r.U16();
    c.date = r.U16();
    c.crc = r.U32();
    c.compressedSize = r.U32();
    c.uncompressedSize = r.U32();
    c.nameLength = r.U16();
    c.extraLength = r.U16();
    c.commentLength = r.U16();
    c.diskNumberStart = r.U16();
    c.internalAttributes = r.U16();
    c.externalAttributes = r.U32();
    c.localHeaderOffset = r.U32();
    c.name = r.Text(c.nameLength);
    c.extra = r.Text(c.extraLength);
    // The record (without its comment, which may be cut) lies in one volume.
    const uint64_t recordEnd = r.At();
    for (size_t p = pieces.size(); p-- > 0;) {
      if (pieces[p].joinedAt > c.offset) {
        if (pieces[p].joinedAt < recordEnd) zip.problems.push_back("central record " + c.name + " is cut across volumes");
        continue;
      }
      c.volume = pieces[p].volume;
      c.offset = pieces[p].offset + (c.offset - pieces[p].joinedAt);
      break;
    }
    {
      const auto field = Zip64Extra(c.extra);
      c.hasZip64Extra = field.has_value();
      std::optional<Reader> zip64;
      if (field) zip64.emplace(*field, 0);
      Reader* z = zip64 ? &*zip64 : nullptr;
      bool missing = false;
      Resolve(c.uncompressedSize, 0xFFFFFFFF, 8, z, c.uncompressed, missing);
      Resolve(c.compressedSize, 0xFFFFFFFF, 8, z, c.compressed, missing);
      Resolve(c.localHeaderOffset, 0xFFFFFFFF, 8, z, c.headerOffset, missing);
      Resolve(c.diskNumberStart, 0xFFFF, 4, z, c.headerDisk, missing);
      if (missing) zip.problems.push_back(c.name + ": a 32-bit field is all ones without its Zip64 value");
      if (zip64 && zip64->At() != field->size()) zip.problems.push_back(c.name + ": Zip64 field holds more than it should");
    }
    c.comment = r.Text(c.commentLength);
    if (r.failed) {
      zip.problems.push_back("central record " + std::to_string(i) + " is cut short");
      return zip;
    }
    if (c.headerDisk >= volumeCount) {
      zip.problems.push_back(c.name + ": local header on a volume that does not exist");
      zip.entries.push_back(e);
      continue;
    }
    const std::string fixed = source.Bytes(c.headerDisk, c.headerOffset, 30);
    const uint64_t variable = fixed.size() == 30 ? uint64_t(Reader(fixed, 26).U16()) + Reader(fixed, 28).U16() : 0;
    const std::string header = fixed + source.Bytes(c.headerDisk, c.headerOffset + 30, variable);
    Reader l(header, 0);
    LocalHeaderFields& h = e.local;
    h.offset = c.headerOffset;
    h.signature = l.U32();
    h.versionNeeded = l.U16();
    h.flags = l.U16();
    h.method = l.U16();
    h.time = l.U16();
    h.date = l.U16();
    h.crc = l.U32();
    h.compressedSize = l.U32();
    h.uncompressedSize = l.U32();
    h.nameLength = l.U16();
    h.extraLength = l.U16();
    h.name = l.Text(h.nameLength);
    h.extra = l.Text(h.extraLength);
    h.dataOffset = h.offset + l.At();
    h.compressed = h.compressedSize;
    h.uncompressed = h.uncompressedSize;
    if (const auto field = Zip64Extra(h.extra)) {
      // In a local header the field holds both sizes, and both 32-bit fields are all ones.
      Reader z(*field, 0);
      if (field->size() != 16 || h.compressedSize != 0xFFFFFFFF || h.uncompressedSize != 0xFFFFFFFF)
        zip.problems.push_back(c.name + ": local Zip64 field is not the two sizes");
      h.uncompressed = z.U64();
      h.compressed = z.U64();
    }
    if (l.failed || h.signature != kLocal) zip.problems.push_back(c.name + ": no local header where the central record says");
    zip.entries.push_back(e);
  }
  if (r.At() != directory.size()) zip.problems.push_back("central directory size does not match its records");
  return zip;
}

}  // namespace

ZipImage ParseZip(const std::string& bytes) { return ParseSplitZip({bytes}); }

ZipImage ParseSplitZip(const std::vector<std::string>& volumes) {
  ZipImage zip = Parse(MemorySource(volumes));
  zip.volumes = volumes;
  return zip;
}

ZipImage ParseZipRecords(const std::string& path) { return Parse(FileSource(path)); }

std::string RawEntryData(const ZipImage& zip, size_t index) {
  const ZipEntry& e = zip.entries.at(index);
  std::string data;
  uint32_t disk = e.central.headerDisk;
  uint64_t at = e.local.dataOffset;
  // Data may run on into the next volumes.
  while (data.size() < e.central.compressed && disk < zip.volumes.size()) {
    const std::string& volume = zip.volumes[disk];
    if (at < volume.size()) data += volume.substr(at, e.central.compressed - data.size());
    ++disk;
    at = 0;
  }
  return data;
}

std::string EntryData(ZipImage& zip, size_t index) {
  const ZipEntry& e = zip.entries.at(index);
  const std::string raw = RawEntryData(zip, index);
  const std::string& name = e.central.name;
  if (raw.size() != e.central.compressed) zip.problems.push_back(name + ": data runs past the archive");
  std::string data;
  if (e.central.method == 0) {
    data = raw;
  } else if (e.central.method == 8) {
    z_stream s{};
    if (inflateInit2(&s, -15) != Z_OK) {
      zip.problems.push_back(name + ": inflateInit2 failed");
      return {};
    }
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    s.avail_in = static_cast<uInt>(raw.size());
    char out[65536];
    int status = Z_OK;
    while (status == Z_OK) {
      s.next_out = reinterpret_cast<Bytef*>(out);
      s.avail_out = sizeof out;
      status = inflate(&s, Z_NO_FLUSH);
      data.append(out, sizeof out - s.avail_out);
      if (status == Z_BUF_ERROR) break;
    }
    if (status != Z_STREAM_END) zip.problems.push_back(name + ": deflate stream does not end properly");
    if (s.avail_in != 0) zip.problems.push_back(name + ": bytes after the end of the deflate stream");
    inflateEnd(&s);
  } else {
    zip.problems.push_back(name + ": unknown method " + std::to_string(e.central.method));
  }
  if (data.size() != e.central.uncompressed) zip.problems.push_back(name + ": uncompressed size differs");
  if (ReferenceCrc32(data) != e.central.crc) zip.problems.push_back(name + ": CRC-32 differs");
  return data;
}

uint32_t ReferenceCrc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

size_t CountSignature(const std::string& bytes, uint32_t signature) {
  char pattern[4];
  for (int i = 0; i < 4; ++i) pattern[i] = static_cast<char>((signature >> (8 * i)) & 0xFF);
  size_t count = 0;
  for (size_t at = bytes.find(pattern, 0, 4); at != std::string::npos; at = bytes.find(pattern, at + 1, 4)) ++count;
  return count;
}

}  // namespace tavisto::test
