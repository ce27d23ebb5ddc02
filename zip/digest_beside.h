// Feeds a SHA-256 on a thread of its own, so that a chunk is hashed while the same chunk is
// compressed: the digest then costs the entry no time of its own where a core is free (the
// system's SHA-256 can be as slow as a fast deflate level). The thread starts with the first
// chunk given and waits for the next one until the object goes.
//   beside.Start(sha, chunk, n);  ... deflate chunk ...  beside.Wait();  // before chunk changes
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>

#include "os/sha256.h"

namespace tavisto::zip {

class DigestBeside {
 public:
  DigestBeside() = default;
  DigestBeside(const DigestBeside&) = delete;
  DigestBeside& operator=(const DigestBeside&) = delete;
  // Waits for the chunk in hand, then ends the thread.
  ~DigestBeside();

  // Starts putting the size bytes at data into sha. Until Wait returns, the caller leaves the
  // bytes and sha as they are. Where no thread can be started, the bytes are hashed at once
  // (os::DigestError then comes from here).
  void Start(os::Sha256& sha, const unsigned char* data, size_t size);
  // Waits until the bytes last started are in the digest, and rethrows what the digest threw
  // for them (os::DigestError). Without a chunk in hand it returns at once.
  void Wait();
  // Wait, for a path that is already failing: what the digest threw is dropped.
  void WaitQuietly() noexcept;

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  os::Sha256* sha_ = nullptr;
  const unsigned char* data_ = nullptr;
  size_t size_ = 0;
  bool pending_ = false;  // a chunk given and not yet hashed
  bool quit_ = false;
  bool threadRefused_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace tavisto::zip
