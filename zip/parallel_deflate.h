// Compresses the entries of one commit on worker threads, ahead of the thread that writes the
// archive. Each worker owns its own deflate stream and buffers and takes the next entry in archive
// order; its chunks wait in memory until the writing thread asks for them, entry by entry, in order.
// Bytes are those of the one-thread path: the same chunking, flushes and levels per entry.
// What waits in memory is bounded: the entry being written may hold two chunks, the entries
// ahead of it share a budget (2 MiB per worker), and workers look at most a few hundred entries
// ahead; a big file is read and handed on chunk by chunk, never whole.
//   ParallelDeflate pool(jobs, ParallelDeflate::WorkerCount());
//   auto opened = pool.WaitOpen(0);  ... for (auto piece = pool.Next(0); !piece.last; ...) ...
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "zip/entry_pipeline.h"

namespace tavisto::zip {

struct DeflateJob {
  std::string path;
  unsigned share = 0;  // sharing granted to others while the source is read
  uint8_t compressionMode = 0;
  uint16_t method = 0;
};

class ParallelDeflate {
 public:
  // As many workers as the machine has cores, at least one.
  [[nodiscard]] static unsigned WorkerCount();

  ParallelDeflate(std::vector<DeflateJob> jobs, unsigned workers);
  ParallelDeflate(const ParallelDeflate&) = delete;
  ParallelDeflate& operator=(const ParallelDeflate&) = delete;
  // Stops the workers and waits for them.
  ~ParallelDeflate();

  struct Opening {
    bool opened = false;
    uint64_t size = 0;  // the source's size when it was opened
  };
  // Waits until the job's source was opened (or could not be). Jobs are taken in order: the
  // caller is done with every job before this one.
  [[nodiscard]] Opening WaitOpen(size_t job);

  struct Piece {
    bool last = false;              // no more chunks: result or error tell how the data ended
    uint64_t consumedBefore = 0;    // source bytes consumed before this chunk
    std::vector<unsigned char> bytes;
    EntryResult result;
    std::exception_ptr error;       // what the compressor raised (ECompressionError)
  };
  // The job's next chunk, or its end.
  [[nodiscard]] Piece Next(size_t job);
  // The caller is done with the job: what a worker still does for it is dropped.
  void Leave(size_t job);
  // Stops every worker (a cancel): nothing more is read.
  void Stop();

 private:
  struct Chunk {
    uint64_t consumedBefore = 0;
    std::vector<unsigned char> bytes;
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
  // Called by a worker with a chunk of job; false when it must stop.
  bool Push(size_t job, uint64_t consumedBefore, const unsigned char* data, size_t count);
  [[nodiscard]] bool Dropped(size_t job);

  std::vector<DeflateJob> jobs_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;      // the next job a worker takes
  size_t head_ = 0;      // the job the caller is on
  size_t buffered_ = 0;  // bytes of chunks waiting
  size_t budget_ = 0;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace tavisto::zip
