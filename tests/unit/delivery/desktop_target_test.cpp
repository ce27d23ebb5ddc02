#include "delivery/desktop_target.h"

#include <gtest/gtest.h>

#include "os/files.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

void Write(SaveTarget& target, const std::string& bytes) {
  ASSERT_EQ(target.File().Write(bytes.data(), bytes.size()).value_or(0), bytes.size());
}

TEST(SaveTarget, TakesAFreeNameAndReplacesOnlyThisWindowsOwnUnchangedSave) {
  test::TempDir dir;
  const std::string data = dir.Path("Data.zip");
  test::WriteFile(data, "the customer's");
  std::optional<OwnedFile> saved;
  {
    SaveTarget target = SaveTarget::Open(data, saved);
    EXPECT_EQ(target.Path(), dir.Path("Data (2).zip"));
    Write(target, "saved by this window");
    saved = target.Keep();
  }
  {
    // Our own save, unchanged: replaced, but only once the new one is whole.
    SaveTarget target = SaveTarget::Open(data, saved);
    EXPECT_EQ(target.Path(), dir.Path("Data (2).zip"));
    EXPECT_TRUE(target.ReplacesEarlier());
    Write(target, "saved again");
    EXPECT_EQ(test::ReadFile(dir.Path("Data (2).zip")), "saved by this window");
    saved = target.Keep();
  }
  EXPECT_EQ(test::ReadFile(dir.Path("Data (2).zip")), "saved again");
  {
    // Cancelled or failed: the earlier save stays as it was, and nothing else is left.
    SaveTarget target = SaveTarget::Open(data, saved);
    Write(target, "half a");
  }
  EXPECT_EQ(test::ReadFile(dir.Path("Data (2).zip")), "saved again");
  EXPECT_FALSE(os::FileExists(dir.Path("Data (2).zip.tavisto-new")));
  test::WriteFile(dir.Path("Data (2).zip"), "edited by the user since");
  EXPECT_EQ(SaveTarget::Open(data, saved).Path(), dir.Path("Data (3).zip"));
  EXPECT_EQ(test::ReadFile(dir.Path("Data (2).zip")), "edited by the user since");
  EXPECT_EQ(test::ReadFile(data), "the customer's");

  test::MakeDirectories(dir.Path("v1.0/Notes"));
  EXPECT_EQ(SaveTarget::Open(dir.Path("v1.0/Notes"), std::nullopt).Path(), dir.Path("v1.0/Notes (2)"));
  EXPECT_EQ(SavedMessage(data, data), "File saved on your desktop.");
  EXPECT_EQ(SavedMessage(data, dir.Path("Data (3).zip")), "File saved on your desktop as Data (3).zip.");
}

TEST(SaveTarget, ASaveThatIsNotKeptRemovesOnlyTheFileItMade) {
  test::TempDir dir;
  const std::string report = dir.Path("Analysis Result.txt");
  {
    SaveTarget target = SaveTarget::Open(report, std::nullopt);
    Write(target, "half a report");
  }
  EXPECT_FALSE(os::FileExists(report));
  // Moved away meanwhile and its name taken by the customer's file: that file stays. (Windows
  // removes the moved file through the handle; POSIX leaves it, never the customer's.)
  {
    SaveTarget target = SaveTarget::Open(report, std::nullopt);
    Write(target, "half a report");
    if (!os::RenameFile(report, dir.Path("moved.txt"))) GTEST_SKIP() << "an open file cannot be moved here";
    test::WriteFile(report, "the customer's");
  }
  EXPECT_EQ(test::ReadFile(report), "the customer's");
}

}  // namespace
}  // namespace tavisto::delivery
