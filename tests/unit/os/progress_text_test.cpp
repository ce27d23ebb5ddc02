#include "os/progress_text.h"

#include <gtest/gtest.h>

namespace tavisto::os {
namespace {

TEST(ProgressText, CountsAndRemainingTime) {
  EXPECT_EQ(CountOf(1, "second"), "1 second");
  EXPECT_EQ(CountOf(0, "second"), "0 seconds");
  const struct {
    double elapsed, fraction;
    const char* text;
  } cases[] = {
      {10, 0.5, "About 11 seconds remaining"},  // rounded up: "0 seconds" would say nothing
      {1, 0.999, "About 1 second remaining"},
      {30, 0.25, "About 2 minutes remaining"},
      {0.5, 0.5, ""},  // too early to tell
      {10, 0.01, ""},  // too little done to tell
      {10, 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TimeRemainingText(c.elapsed, c.fraction), c.text) << c.elapsed << " " << c.fraction;
}

}  // namespace
}  // namespace tavisto::os
