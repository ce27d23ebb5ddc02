#include "delivery/desktop_target.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

std::optional<OwnedFile> Saved(const std::string& path) { return OwnedFile{path, *os::StateOf(path)}; }

TEST(FreeTarget, ReplacesOnlyTheFileThisWindowSavedWhileItIsUnchanged) {
  test::TempDir dir;
  const std::string data = dir.Path("Data.zip"), report = dir.Path("Analysis Result.txt");
  EXPECT_EQ(FreeTarget(data, std::nullopt), data);
  test::WriteFile(data, "the customer's");
  EXPECT_EQ(FreeTarget(data, std::nullopt), dir.Path("Data (2).zip"));
  test::WriteFile(dir.Path("Data (2).zip"), "saved by this window");
  const auto saved = Saved(dir.Path("Data (2).zip"));
  EXPECT_EQ(FreeTarget(data, saved), dir.Path("Data (2).zip"));
  test::WriteFile(dir.Path("Data (2).zip"), "edited by the user since");
  EXPECT_EQ(FreeTarget(data, saved), dir.Path("Data (3).zip"));
  test::WriteFile(report, "the customer's report");
  EXPECT_EQ(FreeTarget(report, std::nullopt), dir.Path("Analysis Result (2).txt"));
  test::MakeDirectories(dir.Path("v1.0/Notes"));
  EXPECT_EQ(FreeTarget(dir.Path("v1.0/Notes"), std::nullopt), dir.Path("v1.0/Notes (2)"));

  EXPECT_EQ(SavedMessage(data, data), "File saved on your desktop.");
  EXPECT_EQ(SavedMessage(data, dir.Path("Data (3).zip")), "File saved on your desktop as Data (3).zip.");
}

}  // namespace
}  // namespace tavisto::delivery
