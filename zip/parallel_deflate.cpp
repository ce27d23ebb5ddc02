// The workers and the hand-over of their chunks to the writing thread. Threads sleep only when
// they must and are woken only by what they wait for: the writing thread when its own entry moves
// on, a worker when room is freed or the writing thread has moved far enough ahead.
#include "zip/parallel_deflate.h"

#include <algorithm>

#include "os/errors.h"
#include "os/temp_file.h"

namespace tavisto::zip {
namespace {

// How far ahead of the entry being written the workers may go, in entries.
constexpr size_t kLookAhead = 8192;
// Bytes the entries ahead may hold in memory, per worker.
constexpr size_t kBudgetPerWorker = size_t(2) << 20;
// Chunks the entry being written may hold whatever the budget.
constexpr size_t kHeadChunks = 2;
// Small files are taken a run at a time: up to this many, or this many bytes as listed.
constexpr size_t kRunFiles = 64;
constexpr uint64_t kRunBytes = 256 * 1024;
// The most the scratch file holds at once.
constexpr uint64_t kSpillCap = uint64_t(1) << 30;

}  // namespace

// Hands a worker's chunks to the pool, and stops the entry when the pool says so.
class ParallelDeflate::WorkerSink final : public EntryPipeline::Host {
 public:
  WorkerSink(ParallelDeflate& pool, size_t job) : pool_(pool), job_(job) {}
  bool ChunkProgress(uint64_t consumed, uint64_t) override {
    consumed_ = consumed;
    return !pool_.Dropped(job_);
  }
  bool WriteChunk(const unsigned char* data, size_t count) override {
    return pool_.Push(job_, consumed_, data, count);
  }

 private:
  ParallelDeflate& pool_;
  size_t job_;
  uint64_t consumed_ = 0;
};

unsigned ParallelDeflate::WorkerCount() { return std::max(1u, std::thread::hardware_concurrency()); }

ParallelDeflate::ParallelDeflate(std::vector<DeflateJob> jobs, unsigned workers, std::string spillFolder)
    : jobs_(std::move(jobs)),
      slots_(jobs_.size()),
      budget_(kBudgetPerWorker * std::max(1u, workers)),
      spillFolder_(std::move(spillFolder)) {
  spillBroken_ = spillFolder_.empty();
  try {
    for (unsigned i = 0; i < std::max(1u, workers); ++i) workers_.emplace_back([this] { Work(); });
  } catch (...) {
    Stop();
    for (std::thread& worker : workers_) worker.join();
    throw;
  }
}

ParallelDeflate::~ParallelDeflate() {
  Stop();
  for (std::thread& worker : workers_) worker.join();
  spill_.Close();
  if (!spillPath_.empty()) (void)os::RemoveFile(spillPath_);
}

void ParallelDeflate::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  callerWakes_.notify_all();
  workersWake_.notify_all();
}

bool ParallelDeflate::Dropped(size_t job) {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_ || slots_[job].abandoned;
}

void ParallelDeflate::WakeWorkers() {
  if (pushWaiting_ > 0 || (claimWaiting_ > 0 && next_ < head_ + kLookAhead / 2)) workersWake_.notify_all();
}

bool ParallelDeflate::Claim(size_t& first, size_t& end) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!stop_ && next_ < jobs_.size() && next_ >= head_ + kLookAhead) {
    // Far enough ahead: wait until the writing thread has taken half of what lies ready, so
    // that it is not woken for every entry it takes.
    ++claimWaiting_;
    workersWake_.wait(lock, [this] { return stop_ || next_ < head_ + kLookAhead / 2; });
    --claimWaiting_;
  }
  if (stop_ || next_ >= jobs_.size()) return false;
  first = next_;
  end = first;
  uint64_t bytes = 0;
  while (end < jobs_.size() && end - first < kRunFiles && end < head_ + kLookAhead) {
    const uint64_t size = jobs_[end].listedSize;
    if (end > first && bytes + size > kRunBytes) break;
    bytes += size;
    ++end;
  }
  next_ = end;
  return true;
}

void ParallelDeflate::Work() {
  EntryPipeline pipeline;  // this worker's own deflate stream and buffers
  size_t first = 0;
  size_t end = 0;
  while (Claim(first, end))
    for (size_t job = first; job < end; ++job) RunJob(job, pipeline);
}

void ParallelDeflate::RunJob(size_t job, EntryPipeline& pipeline) {
  if (Dropped(job)) return;
  const DeflateJob& what = jobs_[job];
  std::optional<os::File> source =
      os::File::Open(what.path, os::Access::Read, what.share, os::Disposition::OpenExisting);
  const uint64_t size = source ? static_cast<uint64_t>(source->Size().value_or(0)) : 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = slots_[job];
    slot.openDone = true;
    slot.opened = source.has_value();
    slot.size = size;
    if (callerWaiting_ && head_ == job) callerWakes_.notify_all();
  }
  if (!source) return;
  EntryResult result;
  std::exception_ptr error;
  try {
    WorkerSink sink(*this, job);
    result = pipeline.CompressEntryData(*source, size, what.compressionMode, what.method, sink);
  } catch (...) {
    error = std::current_exception();
  }
  source->Close();
  std::lock_guard<std::mutex> lock(mutex_);
  Slot& slot = slots_[job];
  slot.finished = true;
  slot.result = result;
  slot.error = error;
  if (callerWaiting_ && head_ == job) callerWakes_.notify_all();
}

bool ParallelDeflate::SpillWrite(uint64_t offset, const unsigned char* data, size_t count) {
  std::lock_guard<std::mutex> lock(spillMutex_);
  if (!spill_.IsOpen()) {
    const auto path = os::CreateUniqueTempFile(spillFolder_, "FC");
    if (!path) return false;
    spillPath_ = *path;
    auto file = os::File::Open(spillPath_, os::Access::ReadWrite, os::kShareNone, os::Disposition::OpenExisting);
    if (!file) return false;
    spill_ = std::move(*file);
  }
  if (!spill_.Seek(static_cast<int64_t>(offset))) return false;
  const auto written = spill_.Write(data, count);
  return written && *written == count;
}

void ParallelDeflate::SpillRead(const Chunk& chunk, std::vector<unsigned char>& bytes) {
  bytes.resize(chunk.spillLength);
  std::lock_guard<std::mutex> lock(spillMutex_);
  if (!spill_.Seek(static_cast<int64_t>(chunk.spillOffset))) throw StreamReadError();
  size_t got = 0;
  while (got < bytes.size()) {
    const auto read = spill_.Read(bytes.data() + got, bytes.size() - got);
    if (!read || *read == 0) throw StreamReadError();
    got += *read;
  }
}

void ParallelDeflate::ReleaseSpill(size_t length) {
  spillLive_ -= length;
  // Nothing waits there any more, and nothing is being written: start again from the front.
  if (spillLive_ == 0) spillEnd_ = 0;
}

void ParallelDeflate::ReleaseChunks(Slot& slot) {
  for (size_t i = slot.taken; i < slot.chunks.size(); ++i) {
    if (slot.chunks[i].spilled) ReleaseSpill(slot.chunks[i].spillLength);
    else buffered_ -= slot.chunks[i].bytes.size();
  }
  std::vector<Chunk>().swap(slot.chunks);
  slot.taken = 0;
}

bool ParallelDeflate::Push(size_t job, uint64_t consumedBefore, const unsigned char* data, size_t count) {
  Chunk chunk{consumedBefore, std::vector<unsigned char>(data, data + count)};
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    Slot& slot = slots_[job];
    if (stop_ || slot.abandoned) return false;
    // The entry being written always gets room for a few chunks, so it can never wait on
    // entries behind it; the others share the budget.
    const bool headRoom = job == head_ && slot.chunks.size() - slot.taken < kHeadChunks;
    if (headRoom || buffered_ + count <= budget_) {
      buffered_ += count;
      slot.chunks.push_back(std::move(chunk));
      if (callerWaiting_ && head_ == job) callerWakes_.notify_all();
      return true;
    }
    if (!spillBroken_ && spillLive_ + count <= kSpillCap) {
      const uint64_t offset = spillEnd_;
      spillEnd_ += count;
      spillLive_ += count;
      lock.unlock();
      const bool written = SpillWrite(offset, data, count);
      lock.lock();
      if (!written) {
        // No room or no scratch file: from now on chunks wait for memory.
        ReleaseSpill(count);
        spillBroken_ = true;
        continue;
      }
      Slot& now = slots_[job];
      if (stop_ || now.abandoned) {
        ReleaseSpill(count);
        return false;
      }
      Chunk spilled;
      spilled.consumedBefore = consumedBefore;
      spilled.spillOffset = offset;
      spilled.spillLength = count;
      spilled.spilled = true;
      now.chunks.push_back(std::move(spilled));
      if (callerWaiting_ && head_ == job) callerWakes_.notify_all();
      return true;
    }
    ++pushWaiting_;
    workersWake_.wait(lock);
    --pushWaiting_;
  }
}

ParallelDeflate::Opening ParallelDeflate::WaitOpen(size_t job) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (head_ != job) {
    head_ = job;
    WakeWorkers();
  }
  Slot& slot = slots_[job];
  if (!slot.openDone && !stop_) {
    callerWaiting_ = true;
    callerWakes_.wait(lock, [&] { return slot.openDone || stop_; });
    callerWaiting_ = false;
  }
  return Opening{slot.opened, slot.size};
}

ParallelDeflate::Piece ParallelDeflate::Next(size_t job) {
  std::unique_lock<std::mutex> lock(mutex_);
  Slot& slot = slots_[job];
  const auto ready = [&] { return stop_ || slot.taken < slot.chunks.size() || slot.finished; };
  if (!ready()) {
    callerWaiting_ = true;
    callerWakes_.wait(lock, ready);
    callerWaiting_ = false;
  }
  Piece piece;
  if (slot.taken < slot.chunks.size()) {
    Chunk& chunk = slot.chunks[slot.taken++];
    piece.hasBytes = true;
    piece.consumedBefore = chunk.consumedBefore;
    const bool spilled = chunk.spilled;
    const Chunk where{chunk.consumedBefore, {}, chunk.spillOffset, chunk.spillLength, spilled};
    if (!spilled) {
      piece.bytes = std::move(chunk.bytes);
      buffered_ -= piece.bytes.size();
    }
    // The last chunk of a finished entry brings its result along.
    piece.last = slot.finished && slot.taken == slot.chunks.size();
    if (piece.last) {
      piece.result = slot.result;
      piece.error = slot.error;
    }
    WakeWorkers();
    if (spilled) {
      lock.unlock();
      std::exception_ptr failed;
      try {
        SpillRead(where, piece.bytes);
      } catch (...) {
        failed = std::current_exception();
      }
      lock.lock();
      ReleaseSpill(where.spillLength);
      WakeWorkers();
      if (failed) std::rethrow_exception(failed);
    }
    return piece;
  }
  piece.last = true;
  if (!slot.finished) {
    piece.result.cancelled = true;  // stopped
    return piece;
  }
  piece.result = slot.result;
  piece.error = slot.error;
  return piece;
}

void ParallelDeflate::Leave(size_t job) {
  std::lock_guard<std::mutex> lock(mutex_);
  Slot& slot = slots_[job];
  slot.abandoned = true;
  ReleaseChunks(slot);
  head_ = std::max(head_, job + 1);
  WakeWorkers();
}

}  // namespace tavisto::zip
