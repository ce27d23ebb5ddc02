#include "common/size_text.h"

#include <cstdio>
#include <iterator>

namespace tavisto {

std::string SizeText(uint64_t bytes, SizeStyle style) {
  constexpr uint64_t kKilobyte = 1024, kMegabyte = kKilobyte * kKilobyte;
  if (style == SizeStyle::Bytes) {
    std::string digits = std::to_string(bytes);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits + (bytes == 1 ? " byte" : " bytes");
  }
  if (style == SizeStyle::Running) {
    if (bytes < kMegabyte) return std::to_string((bytes + kKilobyte - 1) / kKilobyte) + " KB";
    const uint64_t tenths = (bytes * 10 + kMegabyte / 2) / kMegabyte;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
  }
  if (bytes < kKilobyte) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / kKilobyte;
  size_t unit = 0;
  while (value >= kKilobyte && unit + 1 < std::size(kUnits)) {
    value /= kKilobyte;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string DigitsGrouped(uint64_t count) {
  const std::string digits = std::to_string(count);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

}  // namespace tavisto
