// Sizes in words, one rule for the whole program. A running figure (the progress display, the
// memo's status, a mail's size) reads best rounded: "740 KB" under a megabyte (rounded up, so
// that a few bytes are not "0 KB"), "12.3 MB" from there on. A figure a decision rests on (what
// a disk lacks) keeps its small sizes exact and its large ones in their own unit: "1023 bytes",
// "1.5 KB", "2.5 GB". A figure that says exactly how much was taken of something counts its bytes,
// grouped by thousands: "3,145,728 bytes".
#pragma once

#include <cstdint>
#include <string>

namespace tavisto {

enum class SizeStyle { Running, Exact, Bytes };

[[nodiscard]] std::string SizeText(uint64_t bytes, SizeStyle style = SizeStyle::Running);

// A count with its thousands grouped, as people read it: "4,182", "1,234,567".
[[nodiscard]] std::string DigitsGrouped(uint64_t count);

}  // namespace tavisto
