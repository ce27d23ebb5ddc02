// Compresses the entries of one commit on worker threads, ahead of the thread that writes the
// archive. Each worker owns its own deflate stream and buffers and takes the next entries in
// archive order (small files a run at a time, so that many tiny files cost few hand-overs); their
// chunks wait until the writing thread asks for them, entry by entry, in order. Bytes are those
// of the one-thread path: the same chunking, flushes and levels per entry.
// What waits in memory is bounded: the entry being written may hold two chunks and the entries
// ahead of it share a budget (2 MiB per worker). Past the budget, chunks of entries ahead wait in
// a scratch file instead (up to a cap), so that a worker is not held up while the other one
// compresses a big file that the writing thread can only take as fast as it comes. A big file is
// read and handed on chunk by chunk, never whole.
//   ParallelDeflate pool(jobs, ParallelDeflate::WorkerCount(), tempFolder);
//   auto opened = pool.WaitOpen(0);  ... for (auto piece = pool.Next(0); ...; piece = pool.Next(0)) ...
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "os/files.h"
#include "zip/entry_pipeline.h"

namespace tavisto::zip {

struct DeflateJob {
  std::string path;
  unsigned share = 0;  // sharing granted to others while the source is read
  uint8_t compressionMode = 0;
  uint16_t method = 0;
  uint64_t listedSize = 0;  // what the scan saw: decides how jobs are grouped, nothing else
};

class ParallelDeflate {
 public:
  // As many workers as the machine has cores, at least one.
  [[nodiscard]] static unsigned WorkerCount();

  // spillFolder: where chunks past the memory budget may wait (empty: they wait in memory only).
  ParallelDeflate(std::vector<DeflateJob> jobs, unsigned workers, std::string spillFolder = {});
  ParallelDeflate(const ParallelDeflate&) = delete;
  ParallelDeflate& operator=(const ParallelDeflate&) = delete;
  // Stops the workers, waits for them and deletes the scratch file.
  ~ParallelDeflate();

  struct Opening {
    bool opened = false;
    uint64_t size = 0;  // the source's size when it was opened
  };
  // Waits until the job's source was opened (or could not be). Jobs are taken in order: the
  // caller is done with every job before this one.
  [[nodiscard]] Opening WaitOpen(size_t job);

  struct Piece {
    bool hasBytes = false;          // a chunk to write
    bool last = false;              // no chunk after this one: result or error tell how the data ended
    uint64_t consumedBefore = 0;    // source bytes consumed before this chunk
    std::vector<unsigned char> bytes;
    EntryResult result;
    std::exception_ptr error;       // what the compressor raised (ECompressionError)
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
    std::vector<Chunk> chunks;
    size_t taken = 0;  // chunks handed to the caller
    bool finished = false;
    bool abandoned = false;
    EntryResult result;
    std::exception_ptr error;
  };
  class WorkerSink;

  void Work();
  // The next run of jobs for a worker, [first, end); false when there is no more work.
  bool Claim(size_t& first, size_t& end);
  void RunJob(size_t job, EntryPipeline& pipeline);
  // Called by a worker with a chunk of job; false when it must stop.
  bool Push(size_t job, uint64_t consumedBefore, const unsigned char* data, size_t count);
  // Writes a chunk into the scratch file at a place reserved for it; false when it cannot.
  bool SpillWrite(uint64_t offset, const unsigned char* data, size_t count);
  void SpillRead(const Chunk& chunk, std::vector<unsigned char>& bytes);
  // Called with the lock held: the scratch bytes of a chunk are no longer needed.
  void ReleaseSpill(size_t length);
  void ReleaseChunks(Slot& slot);
  [[nodiscard]] bool Dropped(size_t job);
  // Called with the lock held, after the caller freed room or moved on: wakes workers that wait.
  void WakeWorkers();

  std::vector<DeflateJob> jobs_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable callerWakes_;   // the caller waits for its job here
  std::condition_variable workersWake_;   // workers wait for room here
  size_t next_ = 0;      // the next job a worker takes
  size_t head_ = 0;      // the job the caller is on
  size_t buffered_ = 0;  // bytes of chunks waiting in memory
  size_t budget_ = 0;
  bool stop_ = false;
  bool callerWaiting_ = false;
  unsigned claimWaiting_ = 0;  // workers waiting to take more entries
  unsigned pushWaiting_ = 0;   // workers waiting for room for a chunk

  // The scratch file, made when first needed.
  std::string spillFolder_;
  std::string spillPath_;
  os::File spill_;
  std::mutex spillMutex_;    // one seek-and-transfer at a time on the scratch file
  bool spillBroken_ = false;  // could not be made or written: chunks wait in memory
  uint64_t spillEnd_ = 0;    // where the next spilled chunk goes
  uint64_t spillLive_ = 0;   // bytes reserved or waiting there; at 0 the file is reused from its start

  std::vector<std::thread> workers_;
};

}  // namespace tavisto::zip
