// The words of the progress display that are plain rules: counts with their unit ("1 second",
// "3 seconds") and the remaining time estimated from a stage's pace. Sizes: common/size_text.h.
#pragma once

#include <cstdint>
#include <string>

namespace tavisto {

// "1 second", "0 seconds", "12 seconds" (unit given in the singular; plurals add an "s").
[[nodiscard]] std::string CountOf(uint64_t count, const std::string& unit);

// "About 5 seconds remaining", "About 1 minute remaining", from the time a stage has taken and
// how far it has come; "" while that says too little (under a second, or under 2 %) or when done.
[[nodiscard]] std::string TimeRemainingText(double elapsedSeconds, double fraction);

}  // namespace tavisto
