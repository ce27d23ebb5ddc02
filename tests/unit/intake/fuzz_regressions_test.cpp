// Every input that ever crashed a fuzzer, replayed through the same harness (natively, with the
// sanitizers), with the smallest inputs each harness must survive.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "tests/fuzz/harnesses.h"

namespace tavisto::fuzz {
namespace {

TEST(FuzzRegressions, EveryKeptInputIsReadWithoutAFault) {
  const std::map<std::string, std::function<void(const uint8_t*, size_t)>> harnesses = {
      {"archive", FuzzArchive}, {"split_set", FuzzSplitSet}, {"manifest", FuzzManifest}};
  const std::filesystem::path kept = TAVISTO_FUZZ_REGRESSIONS;
  ASSERT_TRUE(std::filesystem::is_directory(kept)) << kept;
  const std::string endRecord = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  size_t replayed = 0;
  for (const auto& [name, harness] : harnesses) {
    for (const std::string& input : {std::string(), endRecord, std::string("\x03\x0F", 2) + endRecord}) {
      harness(reinterpret_cast<const uint8_t*>(input.data()), input.size());
      ++replayed;
    }
    if (!std::filesystem::is_directory(kept / name)) continue;
    for (const auto& file : std::filesystem::directory_iterator(kept / name)) {
      SCOPED_TRACE(file.path().string());
      std::ifstream in(file.path(), std::ios::binary);
      const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      harness(reinterpret_cast<const uint8_t*>(input.data()), input.size());
      ++replayed;
    }
  }
  EXPECT_GE(replayed, 9u);
}

}  // namespace
}  // namespace tavisto::fuzz
