#include "delivery/own_files.h"

#include <gtest/gtest.h>

#include <optional>

#include "os/files.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

// A journal's record of a file or folder made at path.
std::string Made(const char* kind, const std::string& path) {
  const auto state = os::StateOf(path);
  EXPECT_TRUE(state.has_value()) << path;
  if (!state) return "";
  return std::string(kind) + "\t" + std::to_string(state->identity.volume) + " " +
         std::to_string(state->identity.index) + "\t" + path + "\n";
}

TEST(FileJournal, CreatesOnlyNewNamesAndRemovesOnlyItsOwnFiles) {
  test::TempDir dir;
  const std::string own = dir.Path("Tavisto") + test::Separator();
  test::WriteFile(dir.Path("customer.zip"), "the customer's");
  std::optional<FileJournal> journal(std::in_place, own);
  const std::string run = journal->CreateFolder(own + "Get Data ");
  EXPECT_EQ(run, own + "Get Data 1\\");
  EXPECT_EQ(journal->CreateFolder(own + "Get Data "), own + "Get Data 2\\");

  EXPECT_FALSE(journal->CreateNew(dir.Path("customer.zip")));
  EXPECT_EQ(test::ReadFile(dir.Path("customer.zip")), "the customer's");
  EXPECT_FALSE(journal->IsOurs(dir.Path("customer.zip")));
  EXPECT_TRUE(journal->RemoveIfOurs(dir.Path("customer.zip")));
  EXPECT_TRUE(os::FileExists(dir.Path("customer.zip")));

  ASSERT_TRUE(journal->CreateNew(run + "Data.zip"));
  test::WriteFile(run + "Data.zip", "ours, written after it was made");
  EXPECT_TRUE(journal->IsOurs(run + "Data.zip"));
  // A file put in place of ours (ours moved away, so its number cannot be reused) is not ours.
  ASSERT_TRUE(journal->CreateNew(dir.Path("volume.Z01")));
  ASSERT_TRUE(os::RenameFile(dir.Path("volume.Z01"), dir.Path("moved.Z01")));
  test::WriteFile(dir.Path("volume.Z01"), "put there by someone else");
  EXPECT_FALSE(journal->IsOurs(dir.Path("volume.Z01")));
  // Renamed, a file of ours stays ours under a name expected for it.
  journal->ExpectName(dir.Path("final.zip"));
  ASSERT_TRUE(os::RenameFile(dir.Path("moved.Z01"), dir.Path("final.zip")));
  EXPECT_TRUE(journal->IsOurs(dir.Path("final.zip")));

  // Closing the window: its files and folders go, the others' stay, and so does nothing else.
  test::WriteFile(own + "Get Data 2" + test::Separator() + "FC12.tmp", "a scratch file of the writer");
  journal.reset();
  EXPECT_FALSE(os::FileExists(run + "Data.zip"));
  EXPECT_FALSE(os::FileExists(dir.Path("final.zip")));
  EXPECT_FALSE(os::DirectoryExists(own));
  EXPECT_EQ(test::ReadFile(dir.Path("volume.Z01")), "put there by someone else");
  EXPECT_EQ(test::ReadFile(dir.Path("customer.zip")), "the customer's");
}

TEST(FileJournal, AFolderWithAnythingElseInItStays) {
  test::TempDir dir;
  const std::string own = dir.Path("Tavisto") + test::Separator();
  std::optional<FileJournal> journal(std::in_place, own);
  const std::string mail = journal->CreateFolder(own + "Mail ");
  ASSERT_TRUE(journal->CreateNew(mail + "qrxReg.log"));
  test::WriteFile(mail + "note.txt", "someone else's");
  journal->RemoveFolderIfOurs(mail);
  EXPECT_FALSE(os::FileExists(mail + "qrxReg.log"));
  EXPECT_EQ(test::ReadFile(mail + "note.txt"), "someone else's");
  journal.reset();
  EXPECT_TRUE(os::DirectoryExists(own + "Mail 1"));
}

// A killed window leaves its journal behind, naming what it had made; the next Get Data removes
// exactly those files, and leaves whatever is not provably theirs.
TEST(SweepAbandonedJournals, RemovesWhatAKilledWindowMadeAndNothingElse) {
  test::TempDir dir;
  const std::string own = dir.Path("Tavisto") + test::Separator();
  test::MakeDirectories(own + "Get Data 3");
  const std::string run = own + "Get Data 3" + test::Separator();
  test::WriteFile(run + "Data.zip", "half an archive");
  test::WriteFile(run + "FC1A.tmp", "scratch");
  test::WriteFile(dir.Path("ZorvelData.Z01"), "a volume");
  test::WriteFile(dir.Path("ZorvelData.zip"), "the customer's, at a name the run only expected");
  const std::string journal = "Tavisto file journal 1\nmade\t" + own + "\n" +
                              Made("folder", run.substr(0, run.size() - 1)) + Made("file", dir.Path("ZorvelData.Z01")) +
                              "name\t" + dir.Path("ZorvelData.zip") + "\n" + Made("file", run + "Data.zip") +
                              "name\t" + dir.Path("cut");
  test::WriteFile(own + "Journal 4.txt", journal);
  test::WriteFile(own + "Journal 5.txt", "not a journal of ours\nfile\t" + dir.Path("ZorvelData.zip") + "\n");

  EXPECT_TRUE(SweepAbandonedJournals(own));
  EXPECT_FALSE(os::FileExists(dir.Path("ZorvelData.Z01")));
  EXPECT_FALSE(os::DirectoryExists(run));
  EXPECT_FALSE(os::FileExists(own + "Journal 4.txt"));
  EXPECT_EQ(test::ReadFile(dir.Path("ZorvelData.zip")), "the customer's, at a name the run only expected");
  EXPECT_TRUE(os::FileExists(own + "Journal 5.txt"));
  // The folder the killed window made goes with the journal that adopts it.
  ASSERT_TRUE(os::RemoveFile(own + "Journal 5.txt"));
  std::optional<FileJournal> next(std::in_place, own);
  next->AdoptFolder();
  next.reset();
  EXPECT_FALSE(os::DirectoryExists(own));
}

}  // namespace
}  // namespace tavisto::delivery
