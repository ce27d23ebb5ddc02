// What one commit keeps while it runs (internal to the archive component): where the rewrite
// starts, the saved tail of the archive, the end values to go back to, and the workers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "os/files.h"
#include "zip/entry_pipeline.h"
#include "zip/parallel_deflate.h"
#include "zip/records.h"
#include "zip/scratch_file.h"
#include "zip/volume_writer.h"

namespace tavisto::zip {

struct CommitState {
  int32_t first = 0;              // the first entry that changes
  ArchivePosition rewrite{0, 0};  // where the archive is written again from
  ScratchFile saved;              // the archive's tail from there, when entries move
  bool touched = false;           // the archive has been cut back: a rollback must restore it
  DirectoryEnd previousEnd;
  int64_t previousDirectoryOffset = 0;
  std::unique_ptr<ParallelDeflate> pool;
  size_t nextJob = 0;  // the pool's job for the next changed file
};

// Where an entry's compressed data comes from.
class EntryFeed {
 public:
  virtual ~EntryFeed() = default;
  // Opens the source: its size, or nothing when it cannot be opened.
  [[nodiscard]] virtual std::optional<uint64_t> Open() = 0;
  // Hands the entry's data to the host, chunk by chunk, with progress before each chunk.
  virtual EntryResult Drain(uint64_t size, EntryPipeline::Host& host) = 0;
};

}  // namespace tavisto::zip
