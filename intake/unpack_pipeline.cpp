#include "intake/unpack_pipeline.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "os/os_error.h"
#include "zip/read/entry_data.h"

namespace tavisto::intake {
namespace {

// Each worker holds one piece of unpacked data at a time, whatever the entries' sizes.
constexpr size_t kPiece = 512 * 1024;
// Entries this large are unpacked first: one of them left for the end would keep one core busy
// while the other has nothing left to do.
constexpr uint64_t kLargeEntry = 4 * 1024 * 1024;
// How often a stop is looked for while a large entry is still being unpacked.
constexpr std::chrono::milliseconds kStopCheck{100};

struct Slot {
  std::string folder;  // where its file goes, once made
  PendingFile file;
  bool finished = false;
  UnpackResult result;
};

class Pipeline {
 public:
  Pipeline(const std::vector<UnpackJob>& jobs, TargetFolder& target, os::ProgressSink& progress)
      : jobs_(jobs), target_(target), progress_(progress), slots_(jobs.size()) {
    for (const UnpackJob& job : jobs_)
      if (job.entry) total_ += job.entry->uncompressedSize;
    const auto large = [&](size_t i) { return jobs_[i].entry && jobs_[i].entry->uncompressedSize >= kLargeEntry; };
    for (size_t i = 0; i < jobs_.size(); ++i)
      if (large(i)) order_.push_back(i);
    for (size_t i = 0; i < jobs_.size(); ++i)
      if (!large(i)) order_.push_back(i);
  }

  std::vector<UnpackResult> Run() {
    // The folders first, in order, on this thread alone: most files share theirs.
    for (size_t i = 0; i < jobs_.size(); ++i) {
      if (jobs_[i].kind == UnpackJob::Kind::CheckOnly) continue;
      try {
        slots_[i].folder = target_.MakeFolders(jobs_[i].folders, jobs_[i].folders.size());
      } catch (const Error& error) {
        slots_[i].result.writeProblem = error.what();
      }
    }
    const unsigned cores = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < cores; ++i) workers.emplace_back([this] { Work(); });
    std::vector<UnpackResult> results;
    try {
      for (size_t i = 0; i < jobs_.size(); ++i) results.push_back(Name(i));
    } catch (...) {
      // A stop: the entries in hand are abandoned, and the files not yet named removed, so that
      // the folder holds only what the caller can remove by name.
      abandon_ = true;
      Stop(workers);
      for (size_t i = results.size(); i < slots_.size(); ++i)
        if (!slots_[i].file.temporary.empty()) target_.Discard(slots_[i].file);
      throw;
    }
    Stop(workers);
    return results;
  }

 private:
  void Stop(std::vector<std::thread>& workers) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers) worker.join();
  }

  void Work() {
    for (;;) {
      size_t i = 0;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_ || next_ >= order_.size()) return;
        i = order_[next_++];
      }
      Unpack(i);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slots_[i].finished = true;
      }
      changed_.notify_all();
    }
  }

  // Reads, checks and hashes job i into its file under a temporary name, on a worker thread.
  void Unpack(size_t i) {
    const UnpackJob& job = jobs_[i];
    Slot& slot = slots_[i];
    UnpackResult& result = slot.result;
    if (job.kind == UnpackJob::Kind::Folder) return;
    try {
      if (job.kind == UnpackJob::Kind::File && result.writeProblem.empty()) slot.file = target_.NewFile(slot.folder);
    } catch (const Error& error) {
      result.writeProblem = error.what();
    }
    try {
      os::Sha256 sha;
      zip::read::EntryDataReader reader(*job.parts, *job.entry, job.data);
      // Room for one byte more than declared, so that a lie shows.
      const uint64_t declared = job.entry->uncompressedSize;
      std::string piece(declared >= kPiece ? kPiece : static_cast<size_t>(declared) + 1, '\0');
      while (const size_t got = reader.Read(piece.data(), piece.size())) {
        if (abandon_.load(std::memory_order_relaxed)) throw os::Cancelled();
        sha.Update(piece.data(), got);
        result.size += got;
        if (!slot.file.file.IsOpen() || !result.writeProblem.empty()) continue;
        const auto put = slot.file.file.Write(piece.data(), got);
        if (!put || *put != got)
          result.writeProblem = slot.file.temporary + " cannot be written (" +
                                os::ErrorText(put ? os::kErrorDiskFull : os::LastErrorCode()) + ")";
      }
      result.crc = reader.Crc();
      result.sha256 = sha.Finish();
    } catch (const std::exception& error) {
      result.readProblem = error.what();
    }
    if (slot.file.file.IsOpen() && job.modified && result.readProblem.empty() && result.writeProblem.empty())
      (void)slot.file.file.SetLastWriteTime(*job.modified);
    slot.file.file.Close();
  }

  // Gives job i's file its real name once it is whole and checked (or removes it), in job order.
  UnpackResult Name(size_t i) {
    const UnpackJob& job = jobs_[i];
    Slot& slot = slots_[i];
    progress_.ThrowIfStopped();
    {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!changed_.wait_for(lock, kStopCheck, [&] { return slot.finished; })) {
        // Asked without the lock: the display may take its time to answer.
        lock.unlock();
        progress_.ThrowIfStopped();
        lock.lock();
      }
    }
    UnpackResult result = std::move(slot.result);
    if (!slot.file.temporary.empty()) {
      if (!result.readProblem.empty() || !result.writeProblem.empty()) {
        target_.Discard(slot.file);
      } else {
        try {
          target_.Publish(slot.file, job.name);
          result.written = true;
        } catch (const Error& error) {
          result.writeProblem = error.what();
        }
      }
    }
    done_ += job.entry ? job.entry->uncompressedSize : 0;
    progress_.Advance(total_ ? double(done_) / double(total_) : 1.0, job.name);
    return result;
  }

  const std::vector<UnpackJob>& jobs_;
  TargetFolder& target_;
  os::ProgressSink& progress_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<size_t> order_;  // the order the workers take the jobs in
  size_t next_ = 0;            // the next of them a worker takes
  bool stop_ = false;
  std::atomic<bool> abandon_{false};  // the workers drop the entry in hand
  uint64_t total_ = 0;
  uint64_t done_ = 0;
};

}  // namespace

std::vector<UnpackResult> Unpack(const std::vector<UnpackJob>& jobs, TargetFolder& target, os::ProgressSink& progress) {
  return Pipeline(jobs, target, progress).Run();
}

}  // namespace tavisto::intake
