// What only Windows enforces: a journal its window holds is no one else's to sweep, and the
// Get Data lock has one holder at a time.
#include <gtest/gtest.h>

#include <optional>

#include "delivery/get_data.h"
#include "delivery/own_files.h"
#include "os/files.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

TEST(SweepAbandonedJournals, LeavesTheJournalOfALiveWindowAndItsFiles) {
  test::TempDir dir;
  const std::string own = dir.Path("Tavisto") + "\\";
  std::optional<FileJournal> live(std::in_place, own);
  const std::string run = live->CreateFolder(own + "Get Data ");
  ASSERT_TRUE(live->CreateNew(run + "Data.zip"));
  SweepAbandonedJournals(own);
  EXPECT_TRUE(os::FileExists(run + "Data.zip"));
  EXPECT_TRUE(os::FileExists(own + "Journal 1.txt"));
  live.reset();
  EXPECT_FALSE(os::DirectoryExists(own));
}

TEST(TakeGetDataLock, HasOneHolderAtATime) {
  std::optional<os::InstanceLock> first = TakeGetDataLock();
  ASSERT_TRUE(first.has_value());
  EXPECT_FALSE(TakeGetDataLock().has_value());
  first.reset();
  EXPECT_TRUE(TakeGetDataLock().has_value());
}

}  // namespace
}  // namespace tavisto::delivery
