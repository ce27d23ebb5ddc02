#include "tests/support/zip_maker.h"

#include <zlib.h>

namespace tavisto::test {
namespace {

void Le(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

struct Place {
  uint32_t disk = 0;
  uint64_t offset = 0;
};

// Puts bytes into parts of at most limit bytes; a record asked to stay whole starts a new part
// when it does not fit.
class Parts {
 public:
  explicit Parts(size_t limit) : limit_(limit ? limit : SIZE_MAX) {}
  Place Put(const std::string& bytes, bool whole) {
    if (whole && !parts_.back().empty() && parts_.back().size() + bytes.size() > limit_) parts_.emplace_back();
    const Place at{static_cast<uint32_t>(parts_.size() - 1), parts_.back().size()};
    for (size_t i = 0; i < bytes.size();) {
      if (parts_.back().size() == limit_) parts_.emplace_back();
      const size_t n = std::min(bytes.size() - i, limit_ - parts_.back().size());
      parts_.back() += bytes.substr(i, n);
      i += n;
    }
    return at;
  }
  std::vector<std::string>& All() { return parts_; }

 private:
  size_t limit_;
  std::vector<std::string> parts_{std::string()};
};

}  // namespace

std::string Deflated(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::vector<std::string> MakeZip(const RawArchive& archive) {
  Parts parts(archive.partSize);
  if (!archive.prefix.empty()) parts.Put(archive.prefix, true);
  const uint32_t full = archive.zip64 ? 0xFFFFFFFF : 0;
  std::vector<std::string> central;
  std::vector<Place> headers;
  for (const RawEntry& entry : archive.entries) {
    const std::string packed = entry.deflate ? Deflated(entry.data) : entry.data;
    const uint64_t size = entry.declaredSize.value_or(entry.data.size());
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
    const uint16_t method = entry.method.value_or(entry.deflate ? 8 : 0);
    const auto common = [&](std::string& out) {
      Le(out, archive.zip64 ? 45 : 20, 2);
      Le(out, entry.flags, 2);
      Le(out, method, 2);
      Le(out, 0, 2);       // time
      Le(out, 0x21, 2);    // 1980-01-01
      Le(out, crc, 4);
      Le(out, full ? full : packed.size(), 4);
      Le(out, full ? full : size, 4);
      Le(out, entry.name.size(), 2);
    };
    Place at;
    if (entry.sharesHeaderOf) {
      at = headers.at(*entry.sharesHeaderOf);
    } else {
      std::string local;
      Le(local, 0x04034B50, 4);
      common(local);
      Le(local, full ? 20 : 0, 2);
      local += entry.name;
      if (full) {
        Le(local, 1, 2), Le(local, 16, 2), Le(local, size, 8), Le(local, packed.size(), 8);
      }
      at = parts.Put(local, true);
      parts.Put(packed, false);
    }
    headers.push_back(at);
    std::string record;
    Le(record, 0x02014B50, 4);
    Le(record, entry.madeBy, 2);
    common(record);
    Le(record, full ? 28 : 0, 2);
    Le(record, 0, 2);  // comment
    Le(record, at.disk, 2);
    Le(record, 0, 2);  // internal attributes
    Le(record, entry.externalAttributes, 4);
    Le(record, full ? full : at.offset, 4);
    record += entry.name;
    if (full) {
      Le(record, 1, 2), Le(record, 24, 2), Le(record, size, 8), Le(record, packed.size(), 8), Le(record, at.offset, 8);
    }
    central.push_back(record);
  }
  std::string directory;
  for (const std::string& record : central) directory += record;
  const uint64_t directorySize = directory.size();
  directory.resize(directory.size() - std::min(archive.cutDirectory, directory.size()));
  const Place start = parts.Put(directory, true);
  const uint64_t count = archive.declaredCount.value_or(archive.entries.size());
  std::string end;
  const uint32_t lastDisk = static_cast<uint32_t>(parts.All().size() - 1);
  if (archive.zip64) {
    const uint64_t recordAt = parts.All().back().size();
    Le(end, 0x06064B50, 4), Le(end, 44, 8), Le(end, 45, 2), Le(end, 45, 2), Le(end, lastDisk, 4);
    Le(end, start.disk, 4), Le(end, count, 8), Le(end, count, 8), Le(end, directorySize, 8), Le(end, start.offset, 8);
    Le(end, 0x07064B50, 4), Le(end, lastDisk, 4), Le(end, recordAt, 8), Le(end, lastDisk + 1, 4);
  }
  Le(end, 0x06054B50, 4);
  Le(end, full ? 0xFFFF : lastDisk, 2);
  Le(end, full ? 0xFFFF : start.disk, 2);
  Le(end, full ? 0xFFFF : std::min<uint64_t>(count, 0xFFFF), 2);
  Le(end, full ? 0xFFFF : std::min<uint64_t>(count, 0xFFFF), 2);
  Le(end, full ? full : directorySize, 4);
  Le(end, full ? full : start.offset, 4);
  Le(end, 0, 2);
  parts.All().back() += end;  // the end records stay in the last part, whatever its size
  return parts.All();
}

}  // namespace tavisto::test
