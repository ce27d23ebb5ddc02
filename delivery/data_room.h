// How much room Get Data's archives take, known before they are written: the data measured as
// the archive writer will take it, the least and the most its archive can come to, and a
// refusal that names the place, what is needed and what is free when the room is plainly too
// small. "Plainly" errs on the side of trying: the least an archive can come to counts every
// byte at the best ratio deflate can reach (1032 to 1), so a refusal is never wrong; a disk
// that fills anyway is reported as it fills.
//   const DataSize data = MeasureData(dataPath + "Data");
//   if (auto refusal = RoomShortfall({{"the data's archives", folder, LeastArchiveBytes(data)}}, os::FreeDiskSpace))
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "os/disk_space.h"
#include "zip/archive_types.h"

namespace tavisto::delivery {

// The attributes Get Data takes files with: the archive writer's default set (10431) and every
// other bit a file may carry. The default set alone passes over a file whose only bits are, say,
// encrypted (a backup cleared its archive bit), sparse, temporary or offline: such a file is in
// neither Data.zip nor the manifest, though the user can read it. Get Data packs it.
inline constexpr uint32_t kGetDataAttributes = zip::kDefaultSearchAttr | 0x100 /* temporary */ | 0x200 /* sparse */ |
                                               0x400 /* reparse point */ | 0x1000 /* offline */ |
                                               0x4000 /* encrypted */ | 0x8000 /* integrity stream */ |
                                               0xFFFF0000 /* those of cloud and virtual files */;

// The files and folders below a folder, as an archive of it takes them (links not followed).
struct DataSize {
  uint64_t bytes = 0;         // of all files
  uint64_t entries = 0;       // files and folders
  uint64_t nameChars = 0;     // characters of all stored names
  uint64_t nameBytes = 0;     // UTF-8 bytes of all stored names

  DataSize& operator+=(const DataSize& other);
};

[[nodiscard]] DataSize MeasureData(const std::string& folder);

// The least bytes one archive of data can take on disk, its records included.
[[nodiscard]] uint64_t LeastArchiveBytes(const DataSize& data);

// The exact size of an archive that stores the files of the given sizes and stored names
// without compression (Data.zip stores the volumes).
[[nodiscard]] uint64_t StoredArchiveBytes(const std::vector<uint64_t>& sizes, const std::vector<std::string>& names);

// Room wanted in a folder for something Get Data writes there.
struct RoomNeed {
  std::string what;    // "the data's archives", "Data.zip"
  std::string folder;
  uint64_t bytes = 0;
};

using FreeSpaceFunction = std::function<std::optional<uint64_t>(const std::string& folder)>;

// The message for the first need whose folder has less free space than the need (a drive that
// cannot tell is taken to have room); nothing when every need fits.
//   "There is not enough space on the disk to write Data.zip in T:\Temp\: it needs at least
//    3.0 MB, and the disk has 1.0 MB free."
[[nodiscard]] std::optional<std::string> RoomShortfall(const std::vector<RoomNeed>& needs,
                                                       const FreeSpaceFunction& freeSpace);

// Why a file of the given size cannot be written on the volume that holds it, in words, before
// it is written: "the disk that holds E:\ has 1.0 MB free, and 5.0 MB are needed", "E:\ cannot
// hold a file of 4 GB or more (FAT32)"; nothing when it fits, or when the system cannot tell.
[[nodiscard]] std::optional<std::string> FileRoomProblem(uint64_t bytes, const std::optional<os::VolumeFacts>& volume,
                                                         std::optional<uint64_t> free);
// The cause of a write that failed, which was to make the file reaching bytes long, in words: a
// full disk and a FAT volume's size limit as such, any other error as the system says it.
[[nodiscard]] std::string WriteFailureCause(uint32_t error, uint64_t reaching,
                                            const std::optional<os::VolumeFacts>& volume);

}  // namespace tavisto::delivery
