#include "common/progress_text.h"

namespace tavisto {

std::string CountOf(uint64_t count, const std::string& unit) {
  return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

std::string TimeRemainingText(double elapsedSeconds, double fraction) {
  if (fraction < 0.02 || fraction >= 1 || elapsedSeconds < 1) return "";
  const double seconds = elapsedSeconds * (1 - fraction) / fraction;
  // Rounded up: "About 0 seconds" would tell nothing.
  if (seconds < 60) return "About " + CountOf(static_cast<uint64_t>(seconds) + 1, "second") + " remaining";
  return "About " + CountOf(static_cast<uint64_t>(seconds / 60) + 1, "minute") + " remaining";
}

}  // namespace tavisto
