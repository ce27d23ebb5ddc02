// Unpacking a list of entries on every core, the files named in order: the calling thread makes
// the folders first; worker threads then read, inflate, check and hash the entries, each into a
// new file under a temporary name (one piece of data in hand at a time, so that memory stays
// bounded whatever the archive); and the calling thread gives each file its real name, in the
// entries' order, only when its entry was whole and checked.
//   std::vector<UnpackResult> done = Unpack(jobs, target, progress);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "intake/target_folder.h"
#include "os/file_time.h"
#include "os/progress.h"
#include "os/sha256.h"
#include "zip/read/central_directory.h"
#include "zip/read/part_set.h"

namespace tavisto::intake {

struct UnpackJob {
  enum class Kind { File, Folder, CheckOnly };
  Kind kind = Kind::File;
  const zip::read::PartSet* parts = nullptr;
  const zip::read::EntryRecord* entry = nullptr;
  zip::read::Location data;
  std::vector<std::string> folders;  // under the target's root, made before the file (a folder entry's own too)
  std::string name;                  // the file's name in the last of them
  std::optional<os::FileTime> modified;  // given to the file when known
};

struct UnpackResult {
  std::string readProblem;   // the entry's data is not what its record says ("" when it is)
  std::string writeProblem;  // its file or folder could not be made ("" when it was)
  bool written = false;      // the file has its real name
  uint64_t size = 0;
  uint32_t crc = 0;
  os::Sha256Digest sha256{};
};

// Runs the jobs; the results are in job order. Errors of a single entry stay in its result.
[[nodiscard]] std::vector<UnpackResult> Unpack(const std::vector<UnpackJob>& jobs, TargetFolder& target,
                                               os::ProgressSink& progress);

}  // namespace tavisto::intake
