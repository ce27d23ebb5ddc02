#include "delivery/replacing_file.h"

#include <gtest/gtest.h>

#include <set>

#include "os/dir_listing.h"
#include "common/errors.h"
#include "os/os_error.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

using Names = std::set<std::string>;

Names FilesIn(const std::string& folder) {
  Names names;
  os::DirListing listing(folder + test::Separator() + "*");
  for (os::DirEntry entry; listing.Next(entry);)
    if (entry.name != "." && entry.name != "..") names.insert(entry.name);
  EXPECT_EQ(listing.Error(), 0u);
  return names;
}

void Write(ReplacingFile& out, const std::string& bytes) {
  ASSERT_EQ(out.File().Write(bytes.data(), bytes.size()).value_or(0), bytes.size());
}

TEST(ReplacingFile, TheUsersFileChangesOnlyOnCommitAndThenInOneStep) {
  test::TempDir dir;
  const std::string report = dir.Path("Report.txt");
  test::WriteFile(report, "the old report");
  {
    ReplacingFile out = ReplacingFile::Open(report);
    EXPECT_EQ(out.NewPath(), dir.Path("Report.txt.tavisto-new"));
    Write(out, "the new report");
    EXPECT_EQ(test::ReadFile(report), "the old report");
    out.Commit();
  }
  EXPECT_EQ(test::ReadFile(report), "the new report");
  EXPECT_EQ(FilesIn(dir.Root()), Names{"Report.txt"});

  // A file that is not there yet is made; a name already taken beside it is left as it is.
  test::WriteFile(dir.Path("Data.zip.tavisto-new"), "someone's");
  {
    ReplacingFile out = ReplacingFile::Open(dir.Path("Data.zip"));
    EXPECT_EQ(out.NewPath(), dir.Path("Data.zip.tavisto-new-2"));
    Write(out, "PK");
    out.Commit();
  }
  EXPECT_EQ(test::ReadFile(dir.Path("Data.zip")), "PK");
  EXPECT_EQ(test::ReadFile(dir.Path("Data.zip.tavisto-new")), "someone's");
  EXPECT_EQ(FilesIn(dir.Root()), (Names{"Report.txt", "Data.zip", "Data.zip.tavisto-new"}));
}

TEST(ReplacingFile, WithoutCommitOrWhenTheReplaceFailsTheNewFileGoesAndTheOldStays) {
  test::TempDir dir;
  const std::string report = dir.Path("Report.txt");
  test::WriteFile(report, "the old report");
  {
    ReplacingFile out = ReplacingFile::Open(report);
    Write(out, "half a report");
  }  // failed or cancelled: never committed
  EXPECT_EQ(test::ReadFile(report), "the old report");
  EXPECT_EQ(FilesIn(dir.Root()), Names{"Report.txt"});

  // The user's file made read-only while the new one was written: the replace is refused.
  ReplacingFile out = ReplacingFile::Open(report);
  Write(out, "the new report");
  ASSERT_TRUE(os::ChangeAttributes(report, os::kAttrReadOnly));
  try {
    out.Commit();
    ADD_FAILURE() << "committed over a read-only file";
  } catch (const FileReplaceError& error) {
    std::string denied = os::ErrorText(os::kErrorAccessDenied);
    if (denied.ends_with('.')) denied.pop_back();
    EXPECT_EQ(std::string(error.what()),
              "The new file could not take the place of " + report + " (" + denied + "); that file is as it was.");
  }
  ASSERT_TRUE(os::ChangeAttributes(report, os::kAttrArchive));
  EXPECT_EQ(test::ReadFile(report), "the old report");
  EXPECT_EQ(FilesIn(dir.Root()), Names{"Report.txt"});
}

// The new file is in the journal before it holds a byte, so that a run killed meanwhile leaves
// it for the next run to remove.
TEST(ReplacingFile, IsJournaledWhileItIsBesideTheUsersFile) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("Temp"));
  FileJournal journal(dir.Path("Temp") + test::Separator() + "Tavisto" + test::Separator());
  for (const bool commit : {true, false}) {
    SCOPED_TRACE(commit ? "committed" : "discarded");
    ReplacingFile out = ReplacingFile::Open(dir.Path("Report.txt"), &journal);
    EXPECT_TRUE(journal.IsOurs(out.NewPath()));
    if (commit) out.Commit();
    else out.Discard();
  }
  EXPECT_EQ(FilesIn(dir.Root()), (Names{"Report.txt", "Temp"}));
}

TEST(ReplacingFile, RefusesWhatCannotBeAFileOfTheUsersBeforeWritingAnything) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("Reports"));
  test::WriteFile(dir.Path("notes.txt"), "x");
  test::WriteFile(dir.Path("locked.txt"), "kept");
  ASSERT_TRUE(os::ChangeAttributes(dir.Path("locked.txt"), os::kAttrReadOnly));
  const std::string sep(1, test::Separator());
  const struct {
    std::string path;
    std::string cause;
  } cases[] = {
      {dir.Path("missing") + sep + "Report.txt", "the folder " + dir.Path("missing") + " does not exist"},
      {dir.Path("notes.txt") + sep + "Report.txt", dir.Path("notes.txt") + " is a file, not a folder"},
      {dir.Path("Reports"), "that is a folder, not a file"},
      {dir.Path("Reports") + sep, "that is a folder, not a file"},
      {dir.Path("locked.txt"), "it is read-only"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      (void)ReplacingFile::Open(c.path);
      ADD_FAILURE() << "opened";
    } catch (const FileCreateError& error) {
      EXPECT_EQ(std::string(error.what()), std::string(FileCreateError(c.path, c.cause).what()));
    }
  }
  ASSERT_TRUE(os::ChangeAttributes(dir.Path("locked.txt"), os::kAttrArchive));
  EXPECT_EQ(FilesIn(dir.Root()), (Names{"Reports", "notes.txt", "locked.txt"}));
  EXPECT_EQ(FilesIn(dir.Path("Reports")), Names{});
}

}  // namespace
}  // namespace tavisto::delivery
