// The fuzzers' bodies, one per reader of outside input, shared by the libFuzzer programs and by
// the native test that replays every input that ever crashed one of them.
//   FuzzArchive(data, size);   // must neither crash nor hang, whatever the bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavisto::fuzz {

// One archive from memory: its end records, central directory, every entry placed and read, every
// name judged.
void FuzzArchive(const uint8_t* data, size_t size);

// A split set given as parts. The input: the number of parts less one (low two bits of byte 0),
// which parts are missing (bits of byte 1), the lengths of all parts but the last (24 bits each),
// then the parts' bytes one after the other.
void FuzzSplitSet(const uint8_t* data, size_t size);
// The same layout made from parts, for seeds; missing is a bit mask.
[[nodiscard]] std::string SplitSetInput(const std::vector<std::string>& parts, uint8_t missing);

// manifest.json's reader.
void FuzzManifest(const uint8_t* data, size_t size);

}  // namespace tavisto::fuzz
