// libFuzzer's entry for FuzzArchive (tests/fuzz/harnesses.h).
#include "tests/fuzz/harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tavisto::fuzz::FuzzArchive(data, size);
  return 0;
}
