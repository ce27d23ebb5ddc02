#include "zip/read/entry_data.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include <zlib.h>

#include "common/size_text.h"
#include "zip/read/coverage.h"
#include "zip/read/gate.h"
#include "zip/records.h"

namespace tavisto::zip::read {
namespace {

constexpr size_t kInputPiece = 256 * 1024;
// The most one inflate call is given to fill: zlib counts in 32-bit units.
constexpr size_t kMostPerCall = size_t(1) << 30;

std::string Bytes(uint64_t count) { return DigitsGrouped(count) + (count == 1 ? " byte" : " bytes"); }

std::string Hex8(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return text;
}

// What is wrong with the entry's record on its own, before its header is read: "" for nothing.
std::string RecordRefusal(const EntryRecord& entry) {
  if (entry.IsEncrypted()) return "it is encrypted";
  if (entry.method != kMethodStored && entry.method != kMethodDeflated)
    return "it is compressed with " + MethodName(entry.method) + ", which Tavisto does not read";
  if (entry.method == kMethodStored && entry.compressedSize != entry.uncompressedSize)
    return "it is stored uncompressed, yet its record gives two sizes (" + Bytes(entry.compressedSize) + " and " +
           Bytes(entry.uncompressedSize) + ")";
  if (entry.method == kMethodDeflated &&
      entry.uncompressedSize / kDeflateRatioLimit > entry.compressedSize)
    return "its record declares " + Bytes(entry.uncompressedSize) + " from " + Bytes(entry.compressedSize) +
           " of deflated data, more than deflate can give";
  if (entry.IsFolder() && entry.uncompressedSize > 0) return "it is a folder, yet its record gives it data";
  return {};
}

// Why an entry's data cannot all be there: the first part from its own that is missing or short.
std::string RunsPastTheSet(const PartSet& parts, uint32_t from) {
  for (uint32_t disk = from; disk < parts.Count(); ++disk) {
    const Part& part = parts.At(disk);
    if (!part.source) return "its data runs into " + part.name + ", which is missing";
    if (part.expectedSize > part.source->Size())
      return "its data runs into the part of " + part.name + " that is missing (it ends " +
             DigitsGrouped(part.expectedSize - part.source->Size()) + " bytes early)";
  }
  return "its data runs past the end of the set";
}

// Reads the local header at entry.header and places the data after it; FormatError when the
// header cannot be read or is none.
Location ReadLocalHeader(const PartSet& parts, const EntryRecord& entry) {
  if (!parts.Contains(entry.header)) {
    const Part& part = parts.At(entry.header.disk);
    if (!part.source) throw FormatError("its local header is on " + part.name + ", which is missing");
    throw FormatError("its local header is said to lie past the end of " + part.name);
  }
  Location at = entry.header;
  std::string header(kLocalHeaderSize, '\0');
  if (parts.Read(at, header.data(), header.size()) < header.size())
    throw FormatError("its local header runs past the end of the set");
  RecordBytes fields(header, "Its local header");
  if (fields.U32() != kLocalHeaderSignature) throw FormatError("there is no local header where its record points");
  fields.Skip(22);
  const size_t nameAndExtra = size_t(fields.U16()) + fields.U16();
  std::string skipped(nameAndExtra, '\0');
  if (parts.Read(at, skipped.data(), skipped.size()) < skipped.size())
    throw FormatError("its local header runs past the end of the set");
  return at;
}

}  // namespace

std::vector<EntryPlace> PlaceEntries(const PartSet& parts, const CentralDirectory& directory) {
  const size_t count = directory.entries.size();
  std::vector<EntryPlace> places(count);
  CoverageList covered;
  if (directory.size > 0 && parts.Contains(directory.start)) {
    const uint64_t start = parts.Global(directory.start);
    (void)covered.Claim(start, CheckedAdd(start, directory.size, "the central directory"));
  }
  (void)covered.Claim(parts.Global(directory.endRecords), parts.TotalSize());

  // In the order the headers lie, as an honest archive is read.
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), size_t(0));
  const auto where = [&](size_t i) {
    const Location at = directory.entries[i].header;
    return parts.Contains(at) ? parts.Global(at) : UINT64_MAX;
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return where(a) < where(b); });

  for (const size_t i : order) {
    const EntryRecord& entry = directory.entries[i];
    EntryPlace& place = places[i];
    place.refusal = RecordRefusal(entry);
    if (!place.refusal.empty()) continue;
    try {
      place.data = ReadLocalHeader(parts, entry);
    } catch (const Error& error) {
      place.refusal = error.what();
      continue;
    }
    const uint64_t begin = parts.Global(entry.header);
    const uint64_t dataAt = parts.Global(place.data);
    const uint64_t end = CheckedAdd(dataAt, entry.compressedSize, "an entry's data");
    if (end > parts.TotalSize()) {
      place.refusal = RunsPastTheSet(parts, entry.header.disk);
    } else if (!covered.Claim(begin, end)) {
      place.refusal = "its header or data lies in bytes another entry or the central directory already takes "
                      "(an overlapping-entry bomb)";
    }
  }
  return places;
}

struct EntryDataReader::Inflater {
  Inflater() {
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw FormatError("zlib cannot start inflating");
  }
  ~Inflater() { inflateEnd(&stream); }
  z_stream stream{};
  bool ended = false;
};

EntryDataReader::EntryDataReader(const PartSet& parts, const EntryRecord& entry, Location data)
    : parts_(parts), entry_(entry), at_(data), packedLeft_(entry.compressedSize), left_(entry.uncompressedSize) {
  if (entry.method == kMethodDeflated) inflater_ = std::make_unique<Inflater>();
}

EntryDataReader::~EntryDataReader() = default;

void EntryDataReader::Refill() {
  const size_t want = static_cast<size_t>(std::min<uint64_t>(packedLeft_, kInputPiece));
  input_.resize(want);
  const size_t got = parts_.Read(at_, input_.data(), want);
  if (got < want) throw FormatError(RunsPastTheSet(parts_, at_.disk));
  packedLeft_ -= got;
  inflater_->stream.next_in = reinterpret_cast<Bytef*>(input_.data());
  inflater_->stream.avail_in = static_cast<uInt>(got);
}

void EntryDataReader::Finish() {
  if (left_ > 0) throw FormatError("its data ends " + Bytes(left_) + " short of the " + Bytes(entry_.uncompressedSize) + " declared");
  if (crc_ != entry_.crc) throw FormatError("its CRC-32 is " + Hex8(crc_) + ", and its record says " + Hex8(entry_.crc));
  done_ = true;
}

size_t EntryDataReader::Read(char* out, size_t capacity) {
  if (done_ || capacity == 0) return 0;
  size_t produced = 0;
  if (!inflater_) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, left_));
    produced = parts_.Read(at_, out, want);
    if (produced < want) throw FormatError(RunsPastTheSet(parts_, at_.disk));
  } else {
    // One byte more than declared is room enough to see a lie, and no more is ever made.
    capacity = static_cast<size_t>(std::min<uint64_t>({capacity, left_ + 1, kMostPerCall}));
    z_stream& z = inflater_->stream;
    while (produced < capacity && !inflater_->ended) {
      if (z.avail_in == 0 && packedLeft_ > 0) Refill();
      const bool noInputLeft = z.avail_in == 0;
      z.next_out = reinterpret_cast<Bytef*>(out + produced);
      z.avail_out = static_cast<uInt>(capacity - produced);
      const int status = inflate(&z, Z_NO_FLUSH);
      produced = capacity - z.avail_out;
      if (status == Z_STREAM_END) {
        inflater_->ended = true;
      } else if (status == Z_BUF_ERROR && noInputLeft) {
        throw FormatError("its deflated data ends before the deflate stream does");
      } else if (status != Z_OK && status != Z_BUF_ERROR) {
        throw FormatError(std::string("its deflated data is damaged (") + (z.msg ? z.msg : "zlib error") + ")");
      }
    }
    if (produced > left_)
      throw FormatError("its data inflates past the " + Bytes(entry_.uncompressedSize) + " declared");
  }
  left_ -= produced;
  crc_ = static_cast<uint32_t>(::crc32(crc_, reinterpret_cast<const Bytef*>(out), static_cast<uInt>(produced)));
  if (produced == 0) Finish();
  return produced;
}

}  // namespace tavisto::zip::read
