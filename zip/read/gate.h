// The one gate every number from outside passes before it is used: record fields read with
// their bounds checked, sums that cannot overflow (32-bit builds included), spans that must lie
// inside what holds them, and the limits the reader holds an archive to. What fails is a
// FormatError that says, in words, which rule the archive broke.
//   RecordBytes fields(header);                    // fields.U32() ... FormatError past the end
//   const uint64_t end = CheckedAdd(offset, size, "the entry's data");
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/errors.h"

namespace tavisto::zip::read {

// The archive's records do not hold together, or ask for what the reader refuses.
class FormatError : public Error {
 public:
  using Error::Error;
};

// Deflate cannot make more than 1032 bytes of one: a size declared past that is a lie.
inline constexpr uint64_t kDeflateRatioLimit = 1032;
// The end record lies within its 22 bytes and the longest comment from the end.
inline constexpr size_t kEndSearchSpan = 22 + 0xFFFF;

// a + b; FormatError naming what when the sum does not fit 64 bits.
[[nodiscard]] uint64_t CheckedAdd(uint64_t a, uint64_t b, const char* what);
// a * b, likewise.
[[nodiscard]] uint64_t CheckedMultiply(uint64_t a, uint64_t b, const char* what);
// The value as a size_t, for a 32-bit build too; FormatError when it does not fit.
[[nodiscard]] size_t ToSize(uint64_t value, const char* what);

// Little-endian fields read one after the other from a record's bytes; reading past them is a
// FormatError naming the record.
class RecordBytes {
 public:
  RecordBytes(std::string_view bytes, const char* record) : bytes_(bytes), record_(record) {}
  [[nodiscard]] uint16_t U16();
  [[nodiscard]] uint32_t U32();
  [[nodiscard]] uint64_t U64();
  [[nodiscard]] std::string_view Take(size_t count);
  void Skip(size_t count) { (void)Take(count); }
  [[nodiscard]] size_t Left() const { return bytes_.size() - at_; }

 private:
  std::string_view bytes_;
  const char* record_;
  size_t at_ = 0;
};

// The 32-bit value at the start of bytes (which hold at least 4).
[[nodiscard]] uint32_t Le32(const char* bytes);

}  // namespace tavisto::zip::read
