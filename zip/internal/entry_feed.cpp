#include "zip/internal/entry_feed.h"

#include <exception>

#include "zip/directory.h"
#include "zip/records.h"

namespace tavisto::zip {
namespace {

unsigned ShareFor(TArcFileShareMode mode) {
  switch (mode) {
    case smShareCompat:
    case smShareExclusive: return os::kShareNone;
    case smShareDenyWrite: return os::kShareRead;
    case smShareDenyRead: return os::kShareWrite;
    case smShareDenyNone: return os::kShareAll;
  }
  return os::kShareAll;
}

}  // namespace

FeedOpening InlineFeed::Open() {
  os::OpenResult opened = os::File::Open(job_.path, os::Access::Read, job_.share, os::Disposition::OpenExisting);
  if (!opened) return FeedOpening{std::nullopt, opened.Error()};
  file_ = std::move(*opened);
  return FeedOpening{static_cast<uint64_t>(file_->Size().value_or(0)), 0};
}

EntryResult InlineFeed::Drain(uint64_t size, EntryPipeline::Host& host) {
  return pipeline_.CompressEntryData(*file_, size, job_.compressionMode, job_.method, host, job_.digest);
}

FeedOpening PooledFeed::Open() {
  const ParallelDeflate::Opening opening = pool_.WaitOpen(job_);
  if (!opening.opened) return FeedOpening{std::nullopt, opening.error};
  return FeedOpening{opening.size, 0};
}

EntryResult PooledFeed::Drain(uint64_t, EntryPipeline::Host& host) {
  for (;;) {
    ParallelDeflate::Piece piece = pool_.Next(job_);
    if (piece.hasBytes &&
        (!host.ChunkProgress(piece.consumedBefore, 0) || !host.WriteChunk(piece.bytes.data(), piece.bytes.size()))) {
      // A cancel or a full disk ends the update: nothing more need be read.
      pool_.Stop();
      EntryResult stopped;
      stopped.cancelled = true;
      stopped.consumed = piece.consumedBefore;
      return stopped;
    }
    if (piece.last) {
      if (piece.error) std::rethrow_exception(piece.error);
      return piece.result;
    }
  }
}

bool CompressedByWorkers(const TDirItem& item) {
  return item.modified && !item.IsFolder() && item.central.method != kMethodStored;
}

DeflateJob JobFor(const TDirItem& item, TArcFileShareMode shareMode, bool digest) {
  return DeflateJob{item.source, ShareFor(shareMode), item.compressionMode, item.central.method, item.listedSize,
                    digest};
}

}  // namespace tavisto::zip
