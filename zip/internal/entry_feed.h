// Where an entry's compressed data comes from during a commit: compressed on the calling thread
// as it is written (InlineFeed), or handed on from a worker that compressed it ahead (PooledFeed).
//   InlineFeed feed(pipeline, JobFor(item, share, digest));
//   if (auto opened = feed.Open(); opened.size) result = feed.Drain(*opened.size, host);
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "os/files.h"
#include "zip/archive_types.h"
#include "zip/entry_pipeline.h"
#include "zip/parallel_deflate.h"

namespace tavisto::zip {

struct TDirItem;

// How opening an entry's source went.
struct FeedOpening {
  std::optional<uint64_t> size;  // its size; nothing when it could not be opened
  uint32_t error = 0;            // then the system's code for why
};

class EntryFeed {
 public:
  virtual ~EntryFeed() = default;
  [[nodiscard]] virtual FeedOpening Open() = 0;
  // Hands the entry's data to the host, chunk by chunk, with progress before each chunk.
  virtual EntryResult Drain(uint64_t size, EntryPipeline::Host& host) = 0;
};

class InlineFeed final : public EntryFeed {
 public:
  InlineFeed(EntryPipeline& pipeline, DeflateJob job) : pipeline_(pipeline), job_(std::move(job)) {}
  FeedOpening Open() override;
  EntryResult Drain(uint64_t size, EntryPipeline::Host& host) override;

 private:
  EntryPipeline& pipeline_;
  DeflateJob job_;
  std::optional<os::File> file_;
};

class PooledFeed final : public EntryFeed {
 public:
  PooledFeed(ParallelDeflate& pool, size_t job) : pool_(pool), job_(job) {}
  FeedOpening Open() override;
  EntryResult Drain(uint64_t size, EntryPipeline::Host& host) override;

 private:
  ParallelDeflate& pool_;
  size_t job_;
};

// Whether workers compress the entry: a file to deflate. A stored file has nothing to compress:
// the writing thread reads it as it writes it, which costs no more than a worker's read and keeps
// its bytes out of the memory budget and the scratch file.
[[nodiscard]] bool CompressedByWorkers(const TDirItem& item);

// The entry's source as a compression job, read with the sharing the option grants others;
// digest: its SHA-256 is computed as it is read.
[[nodiscard]] DeflateJob JobFor(const TDirItem& item, TArcFileShareMode shareMode, bool digest);

}  // namespace tavisto::zip
