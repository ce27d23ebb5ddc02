#include "common/progress_text.h"

#include <gtest/gtest.h>

namespace tavisto {
namespace {

TEST(ProgressText, OneSecondIsSingular) {
  EXPECT_EQ(CountOf(1, "second"), "1 second");
  EXPECT_EQ(CountOf(0, "second"), "0 seconds");
  EXPECT_EQ(TimeRemainingText(1, 0.999), "About 1 second remaining");  // rounded up, never "0 seconds"
  EXPECT_EQ(TimeRemainingText(10, 0.5), "About 11 seconds remaining");
  EXPECT_EQ(TimeRemainingText(30, 0.25), "About 2 minutes remaining");
  EXPECT_EQ(TimeRemainingText(0.5, 0.5), "");  // too early to tell
}

}  // namespace
}  // namespace tavisto
