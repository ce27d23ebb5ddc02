// The layouts are the writer's (zip/records.h): its constants say what is read here.
#include "zip/read/end_records.h"

#include <algorithm>
#include <string>

#include "zip/read/gate.h"
#include "zip/records.h"

namespace tavisto::zip::read {
namespace {

std::string Read(const ByteSource& source, uint64_t offset, size_t count) {
  std::string bytes(count, '\0');
  bytes.resize(source.ReadAt(offset, bytes.data(), count));
  return bytes;
}

// Fills end from the Zip64 records when the locator stands right before the end record at
// endAt; false when there is none.
bool ReadZip64(const ByteSource& last, uint64_t endAt, EndOfDirectory& end) {
  if (endAt < kZip64LocatorSize) return false;
  const uint64_t locatorAt = endAt - kZip64LocatorSize;
  const std::string locator = Read(last, locatorAt, kZip64LocatorSize);
  if (locator.size() < kZip64LocatorSize || Le32(locator.data()) != kZip64LocatorSignature) return false;
  RecordBytes fields(locator, "The Zip64 end locator");
  fields.Skip(4);
  const uint32_t recordDisk = fields.U32();
  const uint64_t recordAt = fields.U64();
  const uint32_t disks = fields.U32();
  if (disks == 0 || recordDisk != disks - 1)
    throw FormatError("the Zip64 end locator of " + last.Name() + " names part " + std::to_string(recordDisk) +
                      " of " + std::to_string(disks) + ", not the last");
  if (recordAt > locatorAt || locatorAt - recordAt < kZip64EndRecordSize)
    throw FormatError("the Zip64 end record of " + last.Name() + " lies outside it");
  const std::string record = Read(last, recordAt, kZip64EndRecordSize);
  RecordBytes z(record, "The Zip64 end record");
  if (z.U32() != kZip64EndRecordSignature) throw FormatError("the Zip64 end record of " + last.Name() + " is missing");
  z.Skip(8 + 2 + 2);  // size of the rest, versions
  end.lastDisk = z.U32();
  end.directoryDisk = z.U32();
  const uint64_t entriesHere = z.U64();
  end.entries = z.U64();
  end.directorySize = z.U64();
  end.directoryOffset = z.U64();
  if (end.lastDisk != disks - 1)
    throw FormatError("the Zip64 end records of " + last.Name() + " disagree on the number of parts");
  if (entriesHere > end.entries)
    throw FormatError("the Zip64 end record of " + last.Name() + " counts more entries on one part than in all");
  end.recordsOffset = recordAt;
  end.zip64 = true;
  return true;
}

}  // namespace

EndOfDirectory FindEndOfDirectory(const ByteSource& last) {
  const uint64_t size = last.Size();
  const uint64_t tailStart = size - std::min<uint64_t>(size, kEndSearchSpan);
  const std::string tail = Read(last, tailStart, static_cast<size_t>(size - tailStart));
  // From the back: the last signature whose record and comment fit before the end.
  size_t at = std::string::npos;
  for (size_t i = tail.size() >= kEndRecordSize ? tail.size() - kEndRecordSize + 1 : 0; i-- > 0;) {
    if (Le32(tail.data() + i) != kEndRecordSignature) continue;
    const size_t comment = uint8_t(tail[i + 20]) | uint8_t(tail[i + 21]) << 8;
    if (comment <= tail.size() - i - kEndRecordSize) {
      at = i;
      break;
    }
  }
  if (at == std::string::npos) throw FormatError(last.Name() + " is not a ZIP archive (it has no end record)");
  RecordBytes fields(std::string_view(tail).substr(at, kEndRecordSize), "The end record");
  fields.Skip(4);
  EndOfDirectory end;
  end.lastDisk = fields.U16();
  end.directoryDisk = fields.U16();
  const uint16_t entriesHere = fields.U16();
  end.entries = fields.U16();
  end.directorySize = fields.U32();
  end.directoryOffset = fields.U32();
  end.recordsOffset = tailStart + at;
  if (!ReadZip64(last, end.recordsOffset, end)) {
    if (entriesHere > end.entries)
      throw FormatError("the end record of " + last.Name() + " counts more entries on one part than in all");
  }
  if (end.directoryDisk > end.lastDisk)
    throw FormatError("the central directory of " + last.Name() + " is said to start on part " +
                      std::to_string(end.directoryDisk + 1) + " of " + std::to_string(end.lastDisk + 1));
  return end;
}

}  // namespace tavisto::zip::read
