// What only Windows enforces: a journal its window holds is no one else's to sweep, and the
// Get Data lock has one holder at a time, whoever took its name first.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <optional>

#include "delivery/get_data.h"
#include "delivery/own_files.h"
#include "os/files.h"
#include "os/win32/user_sid.h"
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

TEST(TakeGetDataLock, HasOneHolderAtATimeAndTellsAWindowFromARun) {
  for (const bool window : {true, false}) {
    SCOPED_TRACE(window ? "a window holds it" : "a command line holds it");
    std::optional<GetDataLock> first = TakeGetDataLock(window);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(TakeGetDataLock(!window).has_value());
    EXPECT_EQ(GetDataRunsElsewhereText(), window ? kGetDataRunsInWindow : kGetDataRunsUnattended);
    first.reset();
    EXPECT_TRUE(TakeGetDataLock(!window).has_value());
  }
}

TEST(TakeGetDataLock, ANameAnotherAccountTookFirstDoesNotKeepTheUserOut) {
  // The lock's own name, made first by an object the Administrators group owns and anyone may
  // open, as another account on the machine could.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const std::wstring name = L"Global\\Tavisto Get Data " + os::win32::CurrentUserSidText();
  HANDLE squatter = CreateMutexW(&attributes, FALSE, name.c_str());
  LocalFree(descriptor);
  ASSERT_NE(squatter, nullptr);
  {
    std::optional<GetDataLock> lock = TakeGetDataLock(false);
    EXPECT_TRUE(lock.has_value()) << "kept out by another account's object";
    EXPECT_FALSE(TakeGetDataLock(false).has_value()) << "two holders";
  }
  CloseHandle(squatter);
}

}  // namespace
}  // namespace tavisto::delivery
