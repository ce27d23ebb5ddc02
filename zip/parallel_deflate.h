// Compresses the entries of one commit on worker threads, ahead of the thread that writes the
// archive. Each worker owns its own deflate stream and buffers and takes the next entries in
// archive order (small files a run at a time, so that many tiny files cost few hand-overs); their
// chunks wait until the writing thread asks for them, entry by entry, in order. Bytes are those
// of the one-thread path: the same chunking, flushes and levels per entry.
// What waits in memory is bounded: the entry being written may hold two chunks and the entries
// ahead of it share a budget (2 MiB per worker). Past the budget, chunks of entries ahead wait in
// a scratch file instead (its size capped), so that a worker is not held up while the other one
// compresses a big file that the writing thread can only take as fast as it comes. A big file is
// read and handed on chunk by chunk, never whole. Jobs may also be added one by one while a scan
// finds them, so that compressing starts before the commit does.
//   ParallelDeflate pool(jobs, ParallelDeflate::WorkerCount(), tempFolder);
//   auto opened = pool.WaitOpen(0);  ... for (auto piece = pool.Next(0); ...; piece = pool.Next(0)) ...
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/errors.h"
#include "os/files.h"
#include "zip/entry_pipeline.h"

namespace tavisto::zip {

// What a worker ran into outside the compression itself (memory, the system): that entry's
// failure, raised on the thread that asks for the entry, never the end of the process.
class WorkerError : public Error {
 public:
  using Error::Error;
};

struct DeflateJob {
  std::string path;
  unsigned share = 0;  // sharing granted to others while the source is read
  uint8_t compressionMode = 0;
  uint16_t method = 0;
  uint64_t listedSize = 0;  // what the scan saw: decides how jobs are grouped, nothing else
  bool digest = false;      // the result carries the SHA-256 of the data
};

class ParallelDeflate {
 public:
  // As many workers as the machine has cores, at least one and at most four: more add little
  // past the writing thread's pace, and each holds its own buffers (a 32-bit process has little
  // address space to spare).
  [[nodiscard]] static unsigned WorkerCount();

  // How a worker opens a job's source (the file itself, unless a test says otherwise).
  using Opener = std::function<os::OpenResult(const DeflateJob& job)>;

  // spillFolder: where chunks past the memory budget may wait (empty: they wait in memory only).
  ParallelDeflate(std::vector<DeflateJob> jobs, unsigned workers, std::string spillFolder = {},
                  Opener opener = {});
  // A pool whose jobs come one by one through Add, while a scan finds them; Close says there are
  // no more. Its workers start on them at once.
  ParallelDeflate(unsigned workers, std::string spillFolder);
  ParallelDeflate(const ParallelDeflate&) = delete;
  ParallelDeflate& operator=(const ParallelDeflate&) = delete;
  // Stops the workers, waits for them and deletes the scratch file.
  ~ParallelDeflate();

  struct Opening {
    bool opened = false;
    uint64_t size = 0;    // the source's size when it was opened
    uint32_t error = 0;   // why it could not be opened: the system's code
  };
  void Add(DeflateJob job);
  // No more jobs: the commit has taken the pool over.
  void Close();
  // Whether the pool's jobs are exactly these, in this order.
  [[nodiscard]] bool HasJobs(const std::vector<DeflateJob>& jobs);

  // Waits until the job's source was opened (or could not be). Jobs are taken in order: the
  // caller is done with every job before this one. Throws WorkerError when the pool itself
  // failed (Failed()).
  [[nodiscard]] Opening WaitOpen(size_t job);
  // Whether a worker failed outside any one job: the pool has stopped and the entries left are
  // the caller's to compress.
  [[nodiscard]] bool Failed();
  // Bytes that have waited in the scratch file so far.
  [[nodiscard]] uint64_t SpilledBytes();

  struct Piece {
    bool hasBytes = false;          // a chunk to write
    bool last = false;              // no chunk after this one: result or error tell how the data ended
    uint64_t consumedBefore = 0;    // source bytes consumed before this chunk
    std::vector<unsigned char> bytes;
    EntryResult result;
    std::exception_ptr error;       // ECompressionError from zlib, or a WorkerError
  };
  // The job's next chunk, its end, or both (the last chunk of an entry comes with its result).
  [[nodiscard]] Piece Next(size_t job);
  // The caller is done with the job: what a worker still does for it is dropped.
  void Leave(size_t job);
  // Stops every worker (a cancel): nothing more is read.
  void Stop();

 private:
  struct Chunk {
    uint64_t consumedBefore = 0;
    std::vector<unsigned char> bytes;  // empty when spilled
    uint64_t spillOffset = 0;
    size_t spillLength = 0;
    bool spilled = false;
  };
  struct Slot {
    bool openDone = false;
    bool opened = false;
    uint64_t size = 0;
    uint32_t openError = 0;
    std::vector<Chunk> chunks;
    size_t taken = 0;  // chunks handed to the caller
    bool finished = false;
    std::atomic<bool> abandoned{false};  // written under the lock, read by workers without it
    EntryResult result;
    std::exception_ptr error;
  };
  // A job as a worker holds it: pointers taken under the lock stay valid (deque elements).
  struct Taken {
    size_t job = 0;
    const DeflateJob* what = nullptr;
    Slot* slot = nullptr;
  };
  class WorkerSink;

  void Work();
  // Called on a worker's exception: the job (or, without one, the pool) ends with it.
  void FailJob(const Taken& taken, std::exception_ptr error) noexcept;
  void FailPool(std::exception_ptr error) noexcept;
  // The next run of jobs for a worker; false when there is no more work.
  bool Claim(std::vector<Taken>& run);
  // lastOfRun: the writing thread, when it waits, is woken at the end of a run rather than for
  // every small file in it.
  void RunJob(const Taken& taken, EntryPipeline& pipeline, bool lastOfRun);
  [[nodiscard]] bool Dropped(const Slot& slot) const { return stop_.load() || slot.abandoned.load(); }
  // With the lock held: the source opened (published with its first chunk or its end, so that a
  // small file costs one hand-over).
  void MarkOpened(Slot& slot, bool opened, uint64_t size, uint32_t error = 0);
  // With the lock held: keeps a chunk of job in memory or in the scratch file, waiting for room
  // when neither has any; false when the job is dropped meanwhile.
  bool Place(std::unique_lock<std::mutex>& lock, size_t job, Chunk chunk, bool wakeCaller);
  // Called by a worker with a chunk of job; false when it must stop.
  bool Push(const Taken& taken, uint64_t size, Chunk chunk);
  // The job's end, with its last chunk when it holds one back.
  void Finish(const Taken& taken, uint64_t size, std::optional<Chunk> last, const EntryResult& result,
              std::exception_ptr error, bool lastOfRun);
  // Writes a chunk into the scratch file at a place reserved for it; false when it cannot.
  bool SpillWrite(uint64_t offset, const unsigned char* data, size_t count);
  void SpillRead(const Chunk& chunk, std::vector<unsigned char>& bytes);
  // Called with the lock held: the scratch bytes of a chunk are no longer needed.
  void ReleaseSpill(size_t length);
  void ReleaseChunks(Slot& slot);
  // Called with the lock held: the caller is done with the job.
  void LeaveLocked(size_t job);
  // Called with the lock held, after the caller freed room or moved on: wakes workers that wait.
  void WakeWorkers();

  void Start(unsigned workers);

  // Deques: jobs added while workers hold references to earlier ones leave those in place.
  std::deque<DeflateJob> jobs_;
  std::deque<Slot> slots_;
  bool closed_ = true;  // no more jobs will be added (no scan still adding: chunks may be spilled)
  uint64_t unclaimedBytes_ = 0;  // listed bytes of the jobs no worker has taken yet
  std::mutex mutex_;
  std::condition_variable callerWakes_;   // the caller waits for its job here
  std::condition_variable workersWake_;   // workers wait for room here
  size_t next_ = 0;      // the next job a worker takes
  size_t head_ = 0;      // the job the caller is on
  size_t buffered_ = 0;  // bytes of chunks waiting in memory
  size_t budget_ = 0;
  std::atomic<bool> stop_{false};  // set under the lock; workers also check it without
  std::exception_ptr failure_;     // why the pool stopped on its own, when it did
  size_t lastLeft_ = SIZE_MAX;  // the caller's thread only: the job its last piece already left
  bool callerWaiting_ = false;
  unsigned claimWaiting_ = 0;  // workers waiting to take more entries
  unsigned pushWaiting_ = 0;   // workers waiting for room for a chunk

  Opener opener_;

  // The scratch file, made when first needed.
  std::string spillFolder_;
  os::File spill_;
  std::mutex spillMutex_;    // one seek-and-transfer at a time on the scratch file
  bool spillBroken_ = false;  // could not be made or written: chunks wait in memory
  uint64_t spillEnd_ = 0;    // where the next spilled chunk goes
  uint64_t spillLive_ = 0;   // bytes reserved or waiting there; at 0 the file is reused from its start
  uint64_t spilled_ = 0;     // bytes put there in all

  std::vector<std::thread> workers_;
};

}  // namespace tavisto::zip
