// SHA-256 from the system: the published test vectors, whatever the pieces the message comes in,
// and one object reused for message after message.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "os/sha256.h"

namespace tavisto::os {
namespace {

std::string Hex(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

struct Vector {
  std::string message;
  const char* digest;
};

// FIPS 180-2's examples and the empty message.
const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, KnownVectorsWhateverThePieces) {
  Sha256 sha;  // one object for every message: Finish starts it afresh
  for (const size_t piece : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(4097)}) {
    for (const Vector& vector : kVectors) {
      SCOPED_TRACE("pieces of " + std::to_string(piece) + ", " + std::to_string(vector.message.size()) + " bytes");
      if (piece == 0) {
        sha.Update(vector.message.data(), vector.message.size());
      } else {
        for (size_t at = 0; at < vector.message.size(); at += piece)
          sha.Update(vector.message.data() + at, std::min(piece, vector.message.size() - at));
      }
      EXPECT_EQ(Hex(sha.Finish()), vector.digest);
    }
  }
}

TEST(Sha256, ObjectsAreIndependent) {
  Sha256 first;
  Sha256 second;
  first.Update("ab", 2);
  second.Update("abc", 3);
  first.Update("c", 1);
  EXPECT_EQ(Hex(first.Finish()), kVectors[1].digest);
  EXPECT_EQ(Hex(second.Finish()), kVectors[1].digest);
}

}  // namespace
}  // namespace tavisto::os
