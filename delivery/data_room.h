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

namespace tavisto::delivery {

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

}  // namespace tavisto::delivery
