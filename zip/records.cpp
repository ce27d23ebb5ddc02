// Serialisation of the records; field order and widths follow the ZIP application note.
#include "zip/records.h"

#include <algorithm>

namespace tavisto::zip {

void AppendLe16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void AppendLe32(std::string& out, uint32_t value) {
  AppendLe16(out, static_cast<uint16_t>(value & 0xFFFF));
  AppendLe16(out, static_cast<uint16_t>(value >> 16));
}

void AppendLe64(std::string& out, uint64_t value) {
  AppendLe32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
  AppendLe32(out, static_cast<uint32_t>(value >> 32));
}

void AppendHeader(std::string& out, HeaderKind kind, const CentralFields& fields,
                  uint16_t localExtraLength) {
  const bool central = kind == HeaderKind::Central;
  AppendLe32(out, central ? kCentralHeaderSignature : kLocalHeaderSignature);
  if (central) AppendLe16(out, fields.versionMadeBy);
  AppendLe16(out, fields.versionNeeded);
  AppendLe16(out, fields.flags);
  AppendLe16(out, fields.method);
  AppendLe16(out, fields.time);
  AppendLe16(out, fields.date);
  AppendLe32(out, fields.crc);
  AppendLe32(out, fields.compressedSize);
  AppendLe32(out, fields.uncompressedSize);
  AppendLe16(out, fields.nameLength);
  AppendLe16(out, central ? fields.extraLength : localExtraLength);
  if (!central) return;
  AppendLe16(out, fields.commentLength);
  AppendLe16(out, fields.diskNumberStart);
  AppendLe16(out, fields.internalAttributes);
  AppendLe32(out, fields.externalAttributes);
  AppendLe32(out, fields.localHeaderOffset);
}

std::string EndRecords(const DirectoryEnd& end) {
  std::string out;
  const bool zip64 = end.entryCount >= kZip64EntryCount;
  if (zip64) {
    AppendLe32(out, kZip64EndRecordSignature);
    AppendLe64(out, kZip64EndRecordSize - 12);  // the record's size without its first 12 bytes
    AppendLe16(out, kVersionZip64);
    AppendLe16(out, kVersionZip64);
    AppendLe32(out, end.thisDisk);
    AppendLe32(out, end.startDisk);
    AppendLe64(out, end.entryCount);
    AppendLe64(out, end.entryCount);
    AppendLe64(out, end.directorySize);
    AppendLe64(out, end.startOffset);

    AppendLe32(out, kZip64LocatorSignature);
    AppendLe32(out, end.thisDisk);
    AppendLe64(out, end.endRecordsOffset);
    AppendLe32(out, end.thisDisk + 1);
  }
  const auto disk16 = [](uint32_t disk) { return static_cast<uint16_t>(std::min<uint32_t>(disk, kMax16)); };
  const uint16_t count16 = static_cast<uint16_t>(std::min<uint64_t>(end.entryCount, kMax16));
  AppendLe32(out, kEndRecordSignature);
  AppendLe16(out, disk16(end.thisDisk));
  AppendLe16(out, disk16(end.startDisk));
  // Counts cover the whole archive, not only the entries whose records fall into the last volume.
  AppendLe16(out, count16);
  AppendLe16(out, count16);
  AppendLe32(out, static_cast<uint32_t>(std::min<uint64_t>(end.directorySize, kMax32)));
  AppendLe32(out, static_cast<uint32_t>(std::min<uint64_t>(end.startOffset, kMax32)));
  AppendLe16(out, 0);  // comment length: the archive comment is always empty
  return out;
}

}  // namespace tavisto::zip
