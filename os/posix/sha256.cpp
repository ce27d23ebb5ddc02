// SHA-256 through OpenSSL's libcrypto (EVP), the POSIX stand-in for the Windows cryptography API.
#include "os/sha256.h"

#include <openssl/err.h>
#include <openssl/evp.h>

namespace tavisto::os {
namespace {

[[noreturn]] void Fail(const char* call) { throw DigestError(call, static_cast<int64_t>(ERR_get_error())); }

}  // namespace

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256() : state_(new State) {
  state_->context = EVP_MD_CTX_new();
  if (!state_->context || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(state_->context);
    delete state_;
    Fail("EVP_DigestInit_ex");
  }
}

Sha256::~Sha256() {
  EVP_MD_CTX_free(state_->context);
  delete state_;
}

void Sha256::Update(const void* data, size_t size) {
  if (EVP_DigestUpdate(state_->context, data, size) != 1) Fail("EVP_DigestUpdate");
}

Sha256Digest Sha256::Finish() {
  Sha256Digest digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(state_->context, digest.data(), &length) != 1 || length != digest.size())
    Fail("EVP_DigestFinal_ex");
  if (EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) Fail("EVP_DigestInit_ex");
  return digest;
}

}  // namespace tavisto::os
