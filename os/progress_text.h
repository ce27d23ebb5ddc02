// The words of the progress display that are plain rules: counts with their unit ("1 second",
// "3 seconds"), sizes, and the remaining time estimated from a stage's pace.
#pragma once

#include <cstdint>
#include <string>

namespace tavisto::os {

// "1 second", "0 seconds", "12 seconds" (unit given in the singular; plurals add an "s").
[[nodiscard]] std::string CountOf(uint64_t count, const std::string& unit);

// A size as the progress display says it: "740 KB" under a megabyte (rounded up, so that a
// few bytes are not "0 KB"), "12.3 MB" from there on.
[[nodiscard]] std::string SizeText(uint64_t bytes);

// "About 5 seconds remaining", "About 1 minute remaining", from the time a stage has taken and
// how far it has come; "" while that says too little (under a second, or under 2 %) or when done.
[[nodiscard]] std::string TimeRemainingText(double elapsedSeconds, double fraction);

}  // namespace tavisto::os
