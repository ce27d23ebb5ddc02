#include "zip/read/gate.h"

#include <limits>

namespace tavisto::zip::read {

uint64_t CheckedAdd(uint64_t a, uint64_t b, const char* what) {
  if (a > std::numeric_limits<uint64_t>::max() - b) throw FormatError(std::string(what) + " lies past any file's end");
  return a + b;
}

uint64_t CheckedMultiply(uint64_t a, uint64_t b, const char* what) {
  if (a != 0 && b > std::numeric_limits<uint64_t>::max() / a)
    throw FormatError(std::string(what) + " is larger than any file");
  return a * b;
}

size_t ToSize(uint64_t value, const char* what) {
  if (value > std::numeric_limits<size_t>::max())
    throw FormatError(std::string(what) + " is larger than this program can hold");
  return static_cast<size_t>(value);
}

uint32_t Le32(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

std::string_view RecordBytes::Take(size_t count) {
  if (count > bytes_.size() - at_) throw FormatError(std::string(record_) + " is cut short");
  const std::string_view taken = bytes_.substr(at_, count);
  at_ += count;
  return taken;
}

uint16_t RecordBytes::U16() {
  const std::string_view b = Take(2);
  return static_cast<uint16_t>(uint8_t(b[0]) | uint8_t(b[1]) << 8);
}

uint32_t RecordBytes::U32() { return Le32(Take(4).data()); }

uint64_t RecordBytes::U64() {
  const uint64_t low = U32();
  return low | uint64_t(U32()) << 32;
}

}  // namespace tavisto::zip::read
