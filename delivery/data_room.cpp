#include "delivery/data_room.h"

#include "common/size_text.h"

#include <algorithm>
#include <cstdio>

#include "os/dir_listing.h"
#include "os/files.h"
#include "os/os_error.h"
#include "zip/scan.h"

namespace tavisto::delivery {
namespace {

// Records of one entry: local header (30 bytes) and central record (46 bytes), each with the
// name; the end record (22 bytes) closes an archive.
constexpr uint64_t kEntryRecordBytes = 30 + 46;
constexpr uint64_t kEndRecordBytes = 22;
// Deflate codes at best 258 bytes in 2 bits, so no data shrinks to less than 1/1032.
constexpr uint64_t kBestDeflateRatio = 1032;
// FAT keeps a file's size in 32 bits.
constexpr uint64_t kLargestFatFile = 0xFFFFFFFFull;

bool IsFat(const std::optional<os::VolumeFacts>& volume) {
  return volume && volume->fileSystem.rfind("FAT", 0) == 0;  // FAT, FAT32; not exFAT
}

std::string DiskOf(const std::optional<os::VolumeFacts>& volume) {
  return volume ? "the disk that holds " + volume->root : std::string("the disk");
}

std::string FatLimit(const os::VolumeFacts& volume) {
  return volume.root + " cannot hold a file of 4 GB or more (" + volume.fileSystem + ")";
}

uint64_t Characters(const std::string& utf8) {
  return static_cast<uint64_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void Measure(const std::string& folder, const std::string& stored, DataSize& size) {
  os::DirListing listing(folder + "\\*");
  for (os::DirEntry entry; listing.Next(entry);) {
    if (entry.name == "." || entry.name == "..") continue;
    const bool isFolder = (entry.attributes & os::kAttrDirectory) != 0;
    // What the scan passes over or does not follow takes no room.
    if (!isFolder && (!zip::AttributesQualify(entry.attributes, kGetDataAttributes) || entry.IsLink())) continue;
    const std::string name = stored + entry.name + (isFolder ? "/" : "");
    size.entries += 1;
    size.nameChars += Characters(name);
    size.nameBytes += name.size();
    if (!isFolder) {
      size.bytes += entry.size;
    } else if (!(entry.attributes & os::kAttrReparsePoint)) {
      Measure(folder + "\\" + entry.name, name, size);
    }
  }
}

}  // namespace

DataSize& DataSize::operator+=(const DataSize& other) {
  bytes += other.bytes;
  entries += other.entries;
  nameChars += other.nameChars;
  nameBytes += other.nameBytes;
  return *this;
}

DataSize MeasureData(const std::string& folder) {
  DataSize size;
  Measure(folder, "", size);
  return size;
}

uint64_t LeastArchiveBytes(const DataSize& data) {
  return data.bytes / kBestDeflateRatio + data.entries * kEntryRecordBytes + 2 * data.nameChars + kEndRecordBytes;
}

uint64_t StoredArchiveBytes(const std::vector<uint64_t>& sizes, const std::vector<std::string>& names) {
  uint64_t total = kEndRecordBytes;
  for (uint64_t size : sizes) total += size + kEntryRecordBytes;
  for (const std::string& name : names) total += 2 * name.size();
  return total;
}

std::optional<std::string> RoomShortfall(const std::vector<RoomNeed>& needs, const FreeSpaceFunction& freeSpace) {
  for (const RoomNeed& need : needs) {
    const auto free = freeSpace(need.folder);
    if (!free || *free >= need.bytes) continue;
    return "There is not enough space on the disk to write " + need.what + " in " + need.folder +
           ": it needs at least " + SizeText(need.bytes, SizeStyle::Exact) + ", and the disk has " +
           SizeText(*free, SizeStyle::Exact) + " free.";
  }
  return std::nullopt;
}

std::optional<std::string> FileRoomProblem(uint64_t bytes, const std::optional<os::VolumeFacts>& volume,
                                           std::optional<uint64_t> free) {
  if (IsFat(volume) && bytes > kLargestFatFile) return FatLimit(*volume);
  if (free && *free < bytes)
    return DiskOf(volume) + " has " + SizeText(*free, SizeStyle::Exact) + " free, and " +
           SizeText(bytes, SizeStyle::Exact) + " are needed";
  return std::nullopt;
}

std::string WriteFailureCause(uint32_t error, uint64_t reaching, const std::optional<os::VolumeFacts>& volume) {
  if (IsFat(volume) && reaching > kLargestFatFile) return FatLimit(*volume);
  if (error == os::kErrorDiskFull || error == os::kErrorHandleDiskFull) return DiskOf(volume) + " is full";
  return os::ErrorCause(error);
}

}  // namespace tavisto::delivery
