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

namespace {

uint32_t Fit32(uint64_t value) { return value >= kMax32 ? kMax32 : static_cast<uint32_t>(value); }
uint16_t Fit16(uint32_t value) { return value >= kMax16 ? kMax16 : static_cast<uint16_t>(value); }

// The fields local header and central record share, from the version needed to the CRC.
void AppendCommon(std::string& out, const CentralFields& fields) {
  AppendLe16(out, fields.versionNeeded);
  AppendLe16(out, fields.flags);
  AppendLe16(out, fields.method);
  AppendLe16(out, fields.time);
  AppendLe16(out, fields.date);
  AppendLe32(out, fields.crc);
}

}  // namespace

bool CentralNeedsZip64(const CentralFields& fields) {
  return fields.uncompressedSize >= kMax32 || fields.compressedSize >= kMax32 ||
         fields.localHeaderOffset >= kMax32 || fields.diskNumberStart >= kMax16;
}

std::string LocalRecord(const CentralFields& fields, const std::string& name, bool zip64Sizes) {
  std::string out;
  out.reserve(kLocalHeaderSize + name.size() + (zip64Sizes ? kZip64LocalExtraSize : 0));
  AppendLe32(out, kLocalHeaderSignature);
  AppendCommon(out, fields);
  AppendLe32(out, zip64Sizes ? kMax32 : static_cast<uint32_t>(fields.compressedSize));
  AppendLe32(out, zip64Sizes ? kMax32 : static_cast<uint32_t>(fields.uncompressedSize));
  AppendLe16(out, static_cast<uint16_t>(name.size()));
  AppendLe16(out, zip64Sizes ? kZip64LocalExtraSize : 0);
  out += name;
  if (zip64Sizes) {
    AppendLe16(out, kZip64ExtraId);
    AppendLe16(out, kZip64LocalExtraSize - 4);
    AppendLe64(out, fields.uncompressedSize);
    AppendLe64(out, fields.compressedSize);
  }
  return out;
}

std::string CentralRecord(const CentralFields& fields, const std::string& name, const std::string& otherExtras) {
  // The Zip64 field holds only the values whose own field is all ones, in this order.
  std::string zip64;
  if (fields.uncompressedSize >= kMax32) AppendLe64(zip64, fields.uncompressedSize);
  if (fields.compressedSize >= kMax32) AppendLe64(zip64, fields.compressedSize);
  if (fields.localHeaderOffset >= kMax32) AppendLe64(zip64, fields.localHeaderOffset);
  if (fields.diskNumberStart >= kMax16) AppendLe32(zip64, fields.diskNumberStart);
  std::string extra;
  if (!zip64.empty()) {
    AppendLe16(extra, kZip64ExtraId);
    AppendLe16(extra, static_cast<uint16_t>(zip64.size()));
    extra += zip64;
  }
  extra += otherExtras;

  std::string out;
  out.reserve(kCentralHeaderSize + name.size() + extra.size());
  AppendLe32(out, kCentralHeaderSignature);
  AppendLe16(out, fields.versionMadeBy);
  AppendCommon(out, fields);
  AppendLe32(out, Fit32(fields.compressedSize));
  AppendLe32(out, Fit32(fields.uncompressedSize));
  AppendLe16(out, static_cast<uint16_t>(name.size()));
  AppendLe16(out, static_cast<uint16_t>(extra.size()));
  AppendLe16(out, fields.commentLength);
  AppendLe16(out, Fit16(fields.diskNumberStart));
  AppendLe16(out, fields.internalAttributes);
  AppendLe32(out, fields.externalAttributes);
  AppendLe32(out, Fit32(fields.localHeaderOffset));
  out += name;
  out += extra;
  return out;
}

std::string EndRecords(const DirectoryEnd& end) {
  std::string out;
  const bool zip64 = end.entryCount >= kZip64EntryCount || end.directorySize >= kMax32 ||
                     end.startOffset >= kMax32 || end.thisDisk >= kMax16 || end.startDisk >= kMax16;
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
  const uint16_t count16 = static_cast<uint16_t>(std::min<uint64_t>(end.entryCount, kMax16));
  AppendLe32(out, kEndRecordSignature);
  AppendLe16(out, Fit16(end.thisDisk));
  AppendLe16(out, Fit16(end.startDisk));
  // Counts cover the whole archive, not only the entries whose records fall into the last volume.
  AppendLe16(out, count16);
  AppendLe16(out, count16);
  AppendLe32(out, Fit32(end.directorySize));
  AppendLe32(out, Fit32(end.startOffset));
  AppendLe16(out, 0);  // comment length: the archive comment is always empty
  return out;
}

std::optional<EndRecord> ReadEndRecord(std::string_view bytes) {
  if (bytes.size() < kEndRecordSize) return std::nullopt;
  size_t at = 0;
  const auto take = [&bytes, &at](size_t count) {
    uint32_t value = 0;
    for (size_t i = count; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    at += count;
    return value;
  };
  if (take(4) != kEndRecordSignature) return std::nullopt;
  EndRecord end;
  end.thisDisk = static_cast<uint16_t>(take(2));
  end.startDisk = static_cast<uint16_t>(take(2));
  end.entriesHere = static_cast<uint16_t>(take(2));
  end.entries = static_cast<uint16_t>(take(2));
  end.directorySize = take(4);
  end.directoryOffset = take(4);
  end.commentLength = static_cast<uint16_t>(take(2));
  return end;
}

}  // namespace tavisto::zip
