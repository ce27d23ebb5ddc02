// libFuzzer's entry for FuzzManifest (tests/fuzz/harnesses.h).
#include "tests/fuzz/harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tavisto::fuzz::FuzzManifest(data, size);
  return 0;
}
