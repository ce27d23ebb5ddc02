// The workers and the hand-over of their chunks to the writing thread.
#include "zip/parallel_deflate.h"

#include <algorithm>
#include <optional>

#include "os/files.h"

namespace tavisto::zip {
namespace {

// How far ahead of the entry being written the workers may go, in entries (many small files
// are compressed ahead while a big one is written).
constexpr size_t kLookAhead = 256;
// Bytes the entries ahead may hold, per worker.
constexpr size_t kBudgetPerWorker = size_t(2) << 20;
// Chunks the entry being written may hold whatever the budget.
constexpr size_t kHeadChunks = 2;

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

ParallelDeflate::ParallelDeflate(std::vector<DeflateJob> jobs, unsigned workers)
    : jobs_(std::move(jobs)), slots_(jobs_.size()), budget_(kBudgetPerWorker * std::max(1u, workers)) {
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
}

void ParallelDeflate::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  changed_.notify_all();
}

bool ParallelDeflate::Dropped(size_t job) {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_ || slots_[job].abandoned;
}

void ParallelDeflate::Work() {
  EntryPipeline pipeline;  // this worker's own deflate stream and buffers
  for (;;) {
    size_t job = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || next_ >= jobs_.size() || next_ < head_ + kLookAhead; });
      if (stop_ || next_ >= jobs_.size()) return;
      job = next_++;
      if (slots_[job].abandoned) continue;
    }
    const DeflateJob& what = jobs_[job];
    std::optional<os::File> source =
        os::File::Open(what.path, os::Access::Read, what.share, os::Disposition::OpenExisting);
    const uint64_t size = source ? static_cast<uint64_t>(source->Size().value_or(0)) : 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      slots_[job].openDone = true;
      slots_[job].opened = source.has_value();
      slots_[job].size = size;
      changed_.notify_all();
    }
    if (!source) continue;
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
    slots_[job].finished = true;
    slots_[job].result = result;
    slots_[job].error = error;
    changed_.notify_all();
  }
}

bool ParallelDeflate::Push(size_t job, uint64_t consumedBefore, const unsigned char* data, size_t count) {
  Chunk chunk{consumedBefore, std::vector<unsigned char>(data, data + count)};
  std::unique_lock<std::mutex> lock(mutex_);
  Slot& slot = slots_[job];
  // The entry being written always gets room for a few chunks, so it can never wait on
  // entries behind it; the others wait for the budget.
  changed_.wait(lock, [&] {
    return stop_ || slot.abandoned || (job == head_ && slot.chunks.size() - slot.taken < kHeadChunks) ||
           buffered_ + count <= budget_;
  });
  if (stop_ || slot.abandoned) return false;
  buffered_ += count;
  slot.chunks.push_back(std::move(chunk));
  changed_.notify_all();
  return true;
}

ParallelDeflate::Opening ParallelDeflate::WaitOpen(size_t job) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (head_ != job) {
    head_ = job;
    changed_.notify_all();
  }
  Slot& slot = slots_[job];
  changed_.wait(lock, [&] { return slot.openDone || stop_; });
  return Opening{slot.opened, slot.size};
}

ParallelDeflate::Piece ParallelDeflate::Next(size_t job) {
  std::unique_lock<std::mutex> lock(mutex_);
  Slot& slot = slots_[job];
  changed_.wait(lock, [&] { return stop_ || slot.taken < slot.chunks.size() || slot.finished; });
  Piece piece;
  if (slot.taken < slot.chunks.size()) {
    Chunk& chunk = slot.chunks[slot.taken++];
    piece.consumedBefore = chunk.consumedBefore;
    piece.bytes = std::move(chunk.bytes);
    buffered_ -= piece.bytes.size();
    changed_.notify_all();
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
  for (size_t i = slot.taken; i < slot.chunks.size(); ++i) buffered_ -= slot.chunks[i].bytes.size();
  std::vector<Chunk>().swap(slot.chunks);
  slot.taken = 0;
  head_ = std::max(head_, job + 1);
  changed_.notify_all();
}

}  // namespace tavisto::zip
