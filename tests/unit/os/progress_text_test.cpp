#include "os/progress_text.h"

#include <gtest/gtest.h>

namespace tavisto::os {
namespace {

TEST(ProgressText, OneSecondIsSingular) {
  EXPECT_EQ(CountOf(1, "second"), "1 second");
  EXPECT_EQ(CountOf(0, "second"), "0 seconds");
  EXPECT_EQ(TimeRemainingText(1, 0.999), "About 1 second remaining");  // rounded up, never "0 seconds"
  EXPECT_EQ(TimeRemainingText(10, 0.5), "About 11 seconds remaining");
  EXPECT_EQ(TimeRemainingText(30, 0.25), "About 2 minutes remaining");
  EXPECT_EQ(TimeRemainingText(0.5, 0.5), "");  // too early to tell
}

TEST(ProgressText, SizesInKilobytesRoundedUpThenMegabytesToATenth) {
  EXPECT_EQ(SizeText(0), "0 KB");
  EXPECT_EQ(SizeText(1), "1 KB");
  EXPECT_EQ(SizeText(1024 * 1024 - 1), "1024 KB");
  EXPECT_EQ(SizeText(1024 * 1024), "1.0 MB");
  EXPECT_EQ(SizeText(12897485), "12.3 MB");  // 12.30 MB
  EXPECT_EQ(SizeText(uint64_t{5} * 1024 * 1024 * 1024), "5120.0 MB");
}

}  // namespace
}  // namespace tavisto::os
