#include "app/error_box.h"

#include <gtest/gtest.h>

namespace tavisto::app {
namespace {

TEST(ErrorBoxText, AppendsOneFullStopUnlessThereIsOne) {
  EXPECT_EQ(ErrorBoxText("Type de donn\xE9" "es incorrect pour 'AppPath'"),
            "Type de donn\xE9" "es incorrect pour 'AppPath'.");
  EXPECT_EQ(ErrorBoxText("Invalid archive file."), "Invalid archive file.");
  EXPECT_EQ(ErrorBoxText("Native error: 00033"), "Native error: 00033.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
}  // namespace tavisto::app
