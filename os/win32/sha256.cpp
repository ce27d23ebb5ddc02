// SHA-256 through the Windows cryptography API (BCrypt). The algorithm provider is opened once
// for the process and shared by every thread (Windows allows hash objects of one provider to be
// made and used on several threads at once); each Sha256 holds one hash object of its own.
#include "os/sha256.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>

namespace tavisto::os {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// The provider, opened on first use. A failure to open it is kept and raised for every
// Sha256 made, rather than retried on each file.
struct Provider {
  Provider() { status = BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0); }
  ~Provider() {
    if (Succeeded(status)) BCryptCloseAlgorithmProvider(handle, 0);
  }
  BCRYPT_ALG_HANDLE handle = nullptr;
  NTSTATUS status = 0;
};

BCRYPT_ALG_HANDLE SharedProvider() {
  static const Provider provider;
  if (!Succeeded(provider.status)) throw DigestError("BCryptOpenAlgorithmProvider", provider.status);
  return provider.handle;
}

}  // namespace

struct Sha256::State {
  BCRYPT_HASH_HANDLE hash = nullptr;
  // A reusable hash object starts again by itself after BCryptFinishHash; systems before
  // Windows 8 refuse the flag, and there the object is made anew for each message.
  bool reusable = true;
};

Sha256::Sha256() : state_(new State) {
  try {
    const BCRYPT_ALG_HANDLE provider = SharedProvider();
    NTSTATUS status = BCryptCreateHash(provider, &state_->hash, nullptr, 0, nullptr, 0, BCRYPT_HASH_REUSABLE_FLAG);
    if (!Succeeded(status)) {
      state_->reusable = false;
      status = BCryptCreateHash(provider, &state_->hash, nullptr, 0, nullptr, 0, 0);
    }
    if (!Succeeded(status)) throw DigestError("BCryptCreateHash", status);
  } catch (...) {
    delete state_;
    throw;
  }
}

Sha256::~Sha256() {
  if (state_->hash) BCryptDestroyHash(state_->hash);
  delete state_;
}

void Sha256::Update(const void* data, size_t size) {
  auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
  // BCryptHashData takes a 32-bit length.
  while (size > 0) {
    const ULONG part = static_cast<ULONG>(std::min<size_t>(size, 0x40000000));
    const NTSTATUS status = BCryptHashData(state_->hash, bytes, part, 0);
    if (!Succeeded(status)) throw DigestError("BCryptHashData", status);
    bytes += part;
    size -= part;
  }
}

Sha256Digest Sha256::Finish() {
  Sha256Digest digest{};
  const NTSTATUS status = BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  if (!Succeeded(status)) throw DigestError("BCryptFinishHash", status);
  if (!state_->reusable) {
    BCryptDestroyHash(state_->hash);
    state_->hash = nullptr;
    const NTSTATUS made = BCryptCreateHash(SharedProvider(), &state_->hash, nullptr, 0, nullptr, 0, 0);
    if (!Succeeded(made)) {
      state_->hash = nullptr;
      throw DigestError("BCryptCreateHash", made);
    }
  }
  return digest;
}

}  // namespace tavisto::os
