#include "intake/unpack_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "common/path_parts.h"
#include "os/os_error.h"
#include "zip/read/entry_data.h"

namespace tavisto::intake {
namespace {

// Memory in flight: at most kJobsAhead entries past the one being written, each with at most
// kPiecesPerJob pieces of kPiece bytes: 12 MiB, whatever the entries' sizes.
constexpr size_t kPiece = 512 * 1024;
constexpr size_t kPiecesPerJob = 3;
constexpr size_t kJobsAhead = 8;

struct Slot {
  std::deque<std::string> pieces;
  bool finished = false;
  UnpackResult result;
};

class Pipeline {
 public:
  Pipeline(const std::vector<UnpackJob>& jobs, TargetFolder& target, os::ProgressSink& progress)
      : jobs_(jobs), target_(target), progress_(progress), slots_(jobs.size()) {}

  std::vector<UnpackResult> Run() {
    const unsigned cores = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < cores; ++i) workers.emplace_back([this] { Work(); });
    std::vector<UnpackResult> results;
    try {
      for (size_t i = 0; i < jobs_.size(); ++i) results.push_back(Write(i));
    } catch (...) {
      Stop(workers);
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
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || next_ >= jobs_.size() || next_ < writing_ + kJobsAhead; });
        if (stop_ || next_ >= jobs_.size()) return;
        i = next_++;
      }
      Produce(i);
    }
  }

  // Reads, checks and hashes job i, handing its pieces to the writer.
  void Produce(size_t i) {
    const UnpackJob& job = jobs_[i];
    Slot& slot = slots_[i];
    UnpackResult result;
    try {
      if (job.kind != UnpackJob::Kind::Folder) {
        os::Sha256 sha;
        zip::read::EntryDataReader reader(*job.parts, *job.entry, job.data);
        // Room for one byte more than declared, so that a lie shows.
        const uint64_t declared = job.entry->uncompressedSize;
        const size_t pieceSize = declared >= kPiece ? kPiece : static_cast<size_t>(declared) + 1;
        for (;;) {
          std::string piece(pieceSize, '\0');
          const size_t got = reader.Read(piece.data(), piece.size());
          if (got == 0) break;
          piece.resize(got);
          sha.Update(piece.data(), got);
          result.size += got;
          if (job.kind != UnpackJob::Kind::File) continue;
          std::unique_lock<std::mutex> lock(mutex_);
          changed_.wait(lock, [&] { return stop_ || slot.pieces.size() < kPiecesPerJob; });
          if (stop_) return;
          slot.pieces.push_back(std::move(piece));
          changed_.notify_all();
        }
        result.crc = reader.Crc();
        result.sha256 = sha.Finish();
      }
    } catch (const std::exception& error) {
      result.readProblem = error.what();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    slot.result = std::move(result);
    slot.finished = true;
    changed_.notify_all();
  }

  UnpackResult Write(size_t i) {
    const UnpackJob& job = jobs_[i];
    Slot& slot = slots_[i];
    std::string writeProblem;
    PendingFile pending;
    try {
      if (job.kind == UnpackJob::Kind::Folder) (void)target_.MakeFolders(job.folders, job.folders.size());
      if (job.kind == UnpackJob::Kind::File) pending = target_.NewFile(target_.MakeFolders(job.folders, job.folders.size()));
    } catch (const Error& error) {
      writeProblem = error.what();
    }
    for (;;) {
      std::string piece;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !slot.pieces.empty() || slot.finished; });
        if (slot.pieces.empty()) break;
        piece = std::move(slot.pieces.front());
        slot.pieces.pop_front();
      }
      changed_.notify_all();
      if (!pending.file.IsOpen() || !writeProblem.empty()) continue;
      const auto put = pending.file.Write(piece.data(), piece.size());
      if (!put || *put != piece.size())
        writeProblem = pending.temporary + " cannot be written (" +
                       os::ErrorText(put ? os::kErrorDiskFull : os::LastErrorCode()) + ")";
    }
    UnpackResult result;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      result = std::move(slot.result);
      writing_ = i + 1;
    }
    changed_.notify_all();
    result.writeProblem = writeProblem;
    if (pending.file.IsOpen()) {
      if (!result.readProblem.empty() || !result.writeProblem.empty()) {
        target_.Discard(pending);
      } else {
        if (job.modified) (void)pending.file.SetLastWriteTime(*job.modified);
        try {
          target_.Publish(pending, job.name);
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

 public:
  uint64_t total_ = 0;

 private:
  const std::vector<UnpackJob>& jobs_;
  TargetFolder& target_;
  os::ProgressSink& progress_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;     // the next job a worker takes
  size_t writing_ = 0;  // the job being written
  bool stop_ = false;
  uint64_t done_ = 0;
};

}  // namespace

std::vector<UnpackResult> Unpack(const std::vector<UnpackJob>& jobs, TargetFolder& target, os::ProgressSink& progress) {
  Pipeline pipeline(jobs, target, progress);
  for (const UnpackJob& job : jobs)
    if (job.entry) pipeline.total_ += job.entry->uncompressedSize;
  return pipeline.Run();
}

}  // namespace tavisto::intake
