// The workers and the hand-over of their chunks to the writing thread. Threads sleep only when
// they must and are woken only by what they wait for: the writing thread when its own entry moves
// on, a worker when room is freed or the writing thread has moved far enough ahead.
#include "zip/parallel_deflate.h"

#include <algorithm>
#include <new>

#include "common/errors.h"
#include "zip/archive_error.h"
#include "zip/scratch_file.h"

namespace tavisto::zip {
namespace {

// How far ahead of the entry being written the workers may go, in entries (what they hold is
// bounded by the budget below; this bounds only the bookkeeping).
constexpr size_t kLookAhead = 65536;
// Bytes the entries ahead may hold in memory, per worker.
constexpr size_t kBudgetPerWorker = size_t(2) << 20;
// Chunks the entry being written may hold whatever the budget.
constexpr size_t kHeadChunks = 2;
// Small files are taken a run at a time: up to this many, or this many bytes as listed.
constexpr size_t kRunFiles = 64;
constexpr uint64_t kRunBytes = 256 * 1024;
// The scratch file's size at the most. Chunks are placed one after the other and the file is
// used from its start again only once nothing waits in it: its end, not what lives in it, is
// what grows, so the end is what is capped (while a question waits, say, the workers could
// otherwise fill the temporary drive).
constexpr uint64_t kSpillCap = uint64_t(256) << 20;

// What a worker's failure outside the compression is called.
std::exception_ptr AsWorkerError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const ECompressionError&) {
    return error;  // zlib's: the commit reports it as it is
  } catch (const std::bad_alloc&) {
    return std::make_exception_ptr(WorkerError("not enough memory to compress it"));
  } catch (const std::exception& e) {
    return std::make_exception_ptr(WorkerError(e.what()));
  } catch (...) {
    return std::make_exception_ptr(WorkerError("the compression failed"));
  }
}

os::OpenResult OpenSource(const DeflateJob& job) {
  return os::File::Open(job.path, os::Access::Read, job.share, os::Disposition::OpenExisting);
}

}  // namespace

// Hands a worker's chunks to the pool, one behind, so that the last chunk of an entry goes with
// its end (a small file's whole data and result in one hand-over); stops when the pool says so.
class ParallelDeflate::WorkerSink final : public EntryPipeline::Host {
 public:
  WorkerSink(ParallelDeflate& pool, const Taken& taken, uint64_t size) : pool_(pool), taken_(taken), size_(size) {}
  bool ChunkProgress(uint64_t consumed, uint64_t) override {
    consumed_ = consumed;
    return !pool_.Dropped(*taken_.slot);
  }
  bool WriteChunk(const unsigned char* data, size_t count) override {
    if (held_ && !pool_.Push(taken_, size_, std::move(*held_))) return false;
    held_ = Chunk{consumed_, std::vector<unsigned char>(data, data + count)};
    return true;
  }
  std::optional<Chunk> TakeHeld() { return std::move(held_); }

 private:
  ParallelDeflate& pool_;
  const Taken& taken_;
  uint64_t size_;
  uint64_t consumed_ = 0;
  std::optional<Chunk> held_;
};

unsigned ParallelDeflate::WorkerCount() { return std::clamp(std::thread::hardware_concurrency(), 1u, 4u); }

ParallelDeflate::ParallelDeflate(std::vector<DeflateJob> jobs, unsigned workers, std::string spillFolder,
                                 Opener opener)
    : jobs_(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end())),
      slots_(jobs_.size()),
      budget_(kBudgetPerWorker * std::max(1u, workers)),
      opener_(opener ? std::move(opener) : Opener(OpenSource)),
      spillFolder_(std::move(spillFolder)) {
  for (const DeflateJob& job : jobs_) unclaimedBytes_ += job.listedSize;
  Start(workers);
}

ParallelDeflate::ParallelDeflate(unsigned workers, std::string spillFolder)
    : closed_(false),
      budget_(kBudgetPerWorker * std::max(1u, workers)),
      opener_(OpenSource),
      spillFolder_(std::move(spillFolder)) {
  Start(workers);
}

void ParallelDeflate::Start(unsigned workers) {
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
}

void ParallelDeflate::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  callerWakes_.notify_all();
  workersWake_.notify_all();
}

void ParallelDeflate::Add(DeflateJob job) {
  std::lock_guard<std::mutex> lock(mutex_);
  unclaimedBytes_ += job.listedSize;
  jobs_.push_back(std::move(job));
  slots_.emplace_back();
  // Workers that ran out of jobs are woken for a whole run, not for every file.
  if (claimWaiting_ > 0 && (jobs_.size() - next_ >= kRunFiles || unclaimedBytes_ >= kRunBytes))
    workersWake_.notify_all();
}

void ParallelDeflate::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  workersWake_.notify_all();
}

bool ParallelDeflate::HasJobs(const std::vector<DeflateJob>& jobs) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (jobs.size() != jobs_.size()) return false;
  for (size_t i = 0; i < jobs.size(); ++i) {
    const DeflateJob& a = jobs[i];
    const DeflateJob& b = jobs_[i];
    if (a.path != b.path || a.share != b.share || a.compressionMode != b.compressionMode || a.method != b.method ||
        a.listedSize != b.listedSize || a.digest != b.digest)
      return false;
  }
  return true;
}

void ParallelDeflate::WakeWorkers() {
  if (pushWaiting_ > 0 || (claimWaiting_ > 0 && next_ < head_ + kLookAhead / 2)) workersWake_.notify_all();
}

bool ParallelDeflate::Claim(std::vector<Taken>& run) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (stop_) return false;
    if (next_ >= jobs_.size()) {
      if (closed_) return false;
      // Jobs still to come: wait for a run of them (or the end).
      ++claimWaiting_;
      workersWake_.wait(lock, [this] {
        return stop_ || closed_ || jobs_.size() - next_ >= kRunFiles || unclaimedBytes_ >= kRunBytes;
      });
      --claimWaiting_;
      continue;
    }
    if (next_ < head_ + kLookAhead) break;
    // Far enough ahead: wait until the writing thread has taken half of what lies ready, so
    // that it is not woken for every entry it takes.
    ++claimWaiting_;
    workersWake_.wait(lock, [this] { return stop_ || next_ < head_ + kLookAhead / 2; });
    --claimWaiting_;
  }
  run.clear();
  uint64_t bytes = 0;
  while (next_ < jobs_.size() && run.size() < kRunFiles && next_ < head_ + kLookAhead) {
    const uint64_t size = jobs_[next_].listedSize;
    if (!run.empty() && bytes + size > kRunBytes) break;
    bytes += size;
    run.push_back(Taken{next_, &jobs_[next_], &slots_[next_]});
    ++next_;
  }
  unclaimedBytes_ -= bytes;
  return true;
}

void ParallelDeflate::Work() {
  // An exception must not leave a worker: it would end the process.
  try {
    EntryPipeline pipeline;  // this worker's own deflate stream and buffers
    std::vector<Taken> run;
    while (Claim(run)) {
      for (size_t i = 0; i < run.size(); ++i) {
        try {
          RunJob(run[i], pipeline, i + 1 == run.size());
        } catch (...) {
          FailJob(run[i], AsWorkerError(std::current_exception()));
        }
      }
    }
  } catch (...) {
    FailPool(AsWorkerError(std::current_exception()));
  }
}

void ParallelDeflate::FailJob(const Taken& taken, std::exception_ptr error) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  Slot& slot = *taken.slot;
  MarkOpened(slot, true, 0);  // the caller goes on to the job's end, which brings the error
  slot.finished = true;
  slot.error = std::move(error);
  if (callerWaiting_) callerWakes_.notify_all();
}

void ParallelDeflate::FailPool(std::exception_ptr error) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!failure_) failure_ = std::move(error);
  stop_ = true;
  callerWakes_.notify_all();
  workersWake_.notify_all();
}

bool ParallelDeflate::Failed() {
  std::lock_guard<std::mutex> lock(mutex_);
  return failure_ != nullptr;
}

uint64_t ParallelDeflate::SpilledBytes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return spilled_;
}

void ParallelDeflate::MarkOpened(Slot& slot, bool opened, uint64_t size, uint32_t error) {
  if (slot.openDone) return;
  slot.openDone = true;
  slot.opened = opened;
  slot.size = size;
  slot.openError = error;
}

void ParallelDeflate::RunJob(const Taken& taken, EntryPipeline& pipeline, bool lastOfRun) {
  if (Dropped(*taken.slot)) {
    // Nothing to hand over, but the writing thread may wait for an entry earlier in the run.
    if (lastOfRun) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (callerWaiting_) callerWakes_.notify_all();
    }
    return;
  }
  const DeflateJob& what = *taken.what;
  os::OpenResult source = opener_(what);
  if (!source) {
    std::lock_guard<std::mutex> lock(mutex_);
    MarkOpened(*taken.slot, false, 0, source.Error());
    if (callerWaiting_ && (head_ == taken.job || lastOfRun)) callerWakes_.notify_all();
    return;
  }
  const uint64_t size = static_cast<uint64_t>(source->Size().value_or(0));
  EntryResult result;
  std::exception_ptr error;
  WorkerSink sink(*this, taken, size);
  try {
    result = pipeline.CompressEntryData(*source, size, what.compressionMode, what.method, sink, what.digest);
  } catch (...) {
    error = AsWorkerError(std::current_exception());
  }
  source->Close();
  Finish(taken, size, sink.TakeHeld(), result, error, lastOfRun);
}

bool ParallelDeflate::Push(const Taken& taken, uint64_t size, Chunk chunk) {
  std::unique_lock<std::mutex> lock(mutex_);
  MarkOpened(*taken.slot, true, size);
  return Place(lock, taken.job, std::move(chunk), true);
}

void ParallelDeflate::Finish(const Taken& taken, uint64_t size, std::optional<Chunk> last,
                             const EntryResult& result, std::exception_ptr error, bool lastOfRun) {
  std::unique_lock<std::mutex> lock(mutex_);
  Slot& slot = *taken.slot;
  MarkOpened(slot, true, size);
  // An entry of more than one chunk has had its earlier chunks handed over one by one: its end
  // wakes the writing thread too.
  const bool wake = lastOfRun || slot.chunks.size() > 0;
  if (last) (void)Place(lock, taken.job, std::move(*last), wake);
  slot.finished = true;
  slot.result = result;
  slot.error = error;
  if (callerWaiting_ && (wake ? head_ == taken.job || lastOfRun : false)) callerWakes_.notify_all();
}

bool ParallelDeflate::SpillWrite(uint64_t offset, const unsigned char* data, size_t count) {
  std::lock_guard<std::mutex> lock(spillMutex_);
  // Made when first needed; after a failure nothing more is spilled, so it is made once.
  if (!spill_.IsOpen()) {
    os::OpenResult made = MakeScratchFile(spillFolder_);
    if (!made) return false;
    spill_ = std::move(*made);
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

bool ParallelDeflate::Place(std::unique_lock<std::mutex>& lock, size_t job, Chunk chunk, bool wakeCaller) {
  const size_t count = chunk.bytes.size();
  for (;;) {
    Slot& slot = slots_[job];
    if (stop_ || slot.abandoned) return false;
    // The entry being written always gets room for a few chunks, so it can never wait on
    // entries behind it; the others share the budget.
    const bool headRoom = job == head_ && slot.chunks.size() - slot.taken < kHeadChunks;
    if (headRoom || buffered_ + count <= budget_) {
      buffered_ += count;
      slot.chunks.push_back(std::move(chunk));
      if (wakeCaller && callerWaiting_ && head_ == job) callerWakes_.notify_all();
      return true;
    }
    // While a scan still adds jobs nothing is spilled: the scan may yet be cancelled, and the
    // memory budget is enough to start with.
    if (closed_ && !spillBroken_ && spillEnd_ + count <= kSpillCap) {
      const uint64_t offset = spillEnd_;
      spillEnd_ += count;
      spillLive_ += count;
      lock.unlock();
      const bool written = SpillWrite(offset, chunk.bytes.data(), count);
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
      spilled_ += count;
      Chunk spilled;
      spilled.consumedBefore = chunk.consumedBefore;
      spilled.spillOffset = offset;
      spilled.spillLength = count;
      spilled.spilled = true;
      now.chunks.push_back(std::move(spilled));
      if (wakeCaller && callerWaiting_ && head_ == job) callerWakes_.notify_all();
      return true;
    }
    // The writing thread may be waiting for an entry this worker finished without waking it.
    if (callerWaiting_) callerWakes_.notify_all();
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
  if (!slot.openDone && failure_) std::rethrow_exception(failure_);
  return Opening{slot.opened, slot.size, slot.openError};
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
    // The last chunk of a finished entry brings its result along, and the caller is then done
    // with the job.
    piece.last = slot.finished && slot.taken == slot.chunks.size();
    if (piece.last) {
      piece.result = slot.result;
      piece.error = slot.error;
      LeaveLocked(job);
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
    if (failure_) std::rethrow_exception(failure_);
    piece.result.cancelled = true;  // stopped
    return piece;
  }
  piece.result = slot.result;
  piece.error = slot.error;
  LeaveLocked(job);
  return piece;
}

void ParallelDeflate::LeaveLocked(size_t job) {
  Slot& slot = slots_[job];
  slot.abandoned = true;
  ReleaseChunks(slot);
  head_ = std::max(head_, job + 1);
  lastLeft_ = job;
  WakeWorkers();
}

void ParallelDeflate::Leave(size_t job) {
  if (job == lastLeft_) return;  // its last piece already left it
  std::lock_guard<std::mutex> lock(mutex_);
  LeaveLocked(job);
}

}  // namespace tavisto::zip
