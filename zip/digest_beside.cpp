#include "zip/digest_beside.h"

#include <system_error>
#include <utility>

namespace tavisto::zip {

DigestBeside::~DigestBeside() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !pending_; });
    quit_ = true;
  }
  work_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void DigestBeside::Start(os::Sha256& sha, const unsigned char* data, size_t size) {
  if (!thread_.joinable() && !threadRefused_) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      threadRefused_ = true;  // a process short of threads still gets its digests, only later
    }
  }
  if (threadRefused_) {
    sha.Update(data, size);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sha_ = &sha;
    data_ = data;
    size_ = size;
    error_ = nullptr;
    pending_ = true;
  }
  work_.notify_one();
}

void DigestBeside::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !pending_; });
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void DigestBeside::WaitQuietly() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !pending_; });
  error_ = nullptr;
}

void DigestBeside::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return pending_ || quit_; });
    if (!pending_) return;
    os::Sha256* sha = sha_;
    const unsigned char* data = data_;
    const size_t size = size_;
    lock.unlock();
    std::exception_ptr error;
    try {
      sha->Update(data, size);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    error_ = error;
    pending_ = false;
    done_.notify_one();
  }
}

}  // namespace tavisto::zip
