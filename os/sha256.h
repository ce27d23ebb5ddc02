// SHA-256 from the operating system's cryptography (the Windows cryptography API; natively
// OpenSSL's libcrypto), never a digest of our own making. One object hashes one message after
// another: Finish gives the digest of what went in since the last Finish and starts afresh.
//   os::Sha256 sha;  sha.Update(data, size);  os::Sha256Digest digest = sha.Finish();
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"

namespace tavisto::os {

using Sha256Digest = std::array<uint8_t, 32>;

// The system could not compute the digest (no provider, a failed call): says which call and the
// system's status code.
class DigestError : public Error {
 public:
  DigestError(const std::string& call, int64_t status);
};

class Sha256 {
 public:
  // DigestError when the system offers no SHA-256.
  Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  ~Sha256();

  // DigestError when the system call fails.
  void Update(const void* data, size_t size);
  // The digest of every byte since construction or the last Finish; the object is then ready
  // for the next message. DigestError when the system call fails.
  [[nodiscard]] Sha256Digest Finish();

 private:
  struct State;
  State* state_;
};

}  // namespace tavisto::os
