// What the platforms' SHA-256 share: the error that names a failed call.
#include "os/sha256.h"

#include <cstdio>

namespace tavisto::os {
namespace {

std::string StatusText(int64_t status) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(status) & 0xFFFFFFFFull);
  return text;
}

}  // namespace

DigestError::DigestError(const std::string& call, int64_t status)
    : Error("SHA-256 cannot be computed: " + call + " failed (status " + StatusText(status) + ")") {}

}  // namespace tavisto::os
