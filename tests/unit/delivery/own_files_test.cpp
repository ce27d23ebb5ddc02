#include "delivery/own_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "common/errors.h"
#include "os/files.h"
#include "tests/support/file_owner.h"
#include "tests/support/folder_link.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

constexpr char kHeader[] = "Tavisto file journal 2\n";
constexpr char kTheirs[] = "the customer's own bytes";

// A record of what is at path now, as a window writes it: "file", "folder" and "beside" by
// number, "done" with the size and last write.
std::string Record(const std::string& kind, const std::string& path) {
  const auto state = os::StateOf(path);
  EXPECT_TRUE(state.has_value()) << path;
  if (!state) return "";
  std::string numbers = std::to_string(state->identity.volume) + " " + std::to_string(state->identity.index);
  if (kind == "done") numbers += " " + std::to_string(state->size) + " " + std::to_string(state->lastWrite.ticks);
  return kind + "\t" + numbers + "\t" + path + "\n";
}

// The folder's last write as a window notes it after its change (ticks shifted, for a change made
// since by someone else).
std::string Seen(const std::string& folder, int64_t shift = 0) {
  const auto state = os::StateOf(folder);
  EXPECT_TRUE(state.has_value()) << folder;
  return state ? "seen\t" + std::to_string(state->lastWrite.ticks + shift) + "\t" + folder + "\n" : "";
}

struct Machine {
  test::TempDir dir;
  std::string own = dir.Path("Tavisto") + test::Separator();
  std::string run = own + "Get Data 1";
  std::string in(const std::string& name) const { return run + test::Separator() + name; }
  Machine() { test::MakeDirectories(run); }
};

// What a killed window's journal says, and what must come of each file once the next window
// has swept it: the customer's files byte for byte as they were, ours gone.
struct HostileCase {
  const char* what;
  // Puts files in place and returns the journal's text after its header.
  std::function<std::string(Machine&)> arrange;
  std::vector<std::string> theirs;  // names (in the run's folder, or "../" + a name beside ours) kept
  std::vector<std::string> ours;    // names in the run's folder that go
};

std::string Beside(const Machine& m, const std::string& name) { return m.dir.Path(name.substr(3)); }
std::string At(const Machine& m, const std::string& name) { return name.rfind("../", 0) == 0 ? Beside(m, name) : m.in(name); }

const HostileCase kHostileCases[] = {
    {"a number handed to the customer's new file after we removed ours",
     [](Machine& m) {
       // The file system gave the customer's file the number our removed volume had.
       test::WriteFile(m.in("ZorvelData.zip"), kTheirs);
       return Record("folder", m.run) + Record("file", m.in("ZorvelData.zip")) + "removed\t" + m.in("ZorvelData.zip") +
              "\n";
     },
     {"ZorvelData.zip"},
     {}},
    {"our leftover removed by the customer, who saved an archive of theirs under its name",
     [](Machine& m) {
       // It was given the number our volume had, and the folder has changed since our last record.
       test::WriteFile(m.in("ZorvelData.Z01"), kTheirs);
       test::WriteFile(m.in("ZorvelData.zip"), kTheirs);
       return Record("folder", m.run) + Record("file", m.in("ZorvelData.Z01")) + "expect\t" + m.in("ZorvelData.zip") +
              "\n" + Seen(m.run, -10000000);
     },
     {"ZorvelData.Z01", "ZorvelData.zip"},
     {}},
    {"a file we wrote whole, rewritten in place by the customer",
     [](Machine& m) {
       test::WriteFile(m.in("Data.zip"), "ours, whole");
       std::string journal = Record("folder", m.run) + Record("file", m.in("Data.zip")) + Record("done", m.in("Data.zip"));
       test::WriteFile(m.in("Data.zip"), kTheirs);
       return journal;
     },
     {"Data.zip"},
     {}},
    {"our file renamed by the customer to a name we never used, the old name taken by theirs",
     [](Machine& m) {
       test::WriteFile(m.in("Data.zip"), "ours");
       std::string journal = Record("folder", m.run) + Record("file", m.in("Data.zip"));
       EXPECT_TRUE(os::RenameFile(m.in("Data.zip"), m.in("Kept.zip")));
       test::WriteFile(m.in("Data.zip"), kTheirs);
       return journal;
     },
     {"Kept.zip", "Data.zip"},
     {}},
    {"a scratch-like name and a file nobody recorded, in a folder of ours",
     [](Machine& m) {
       test::WriteFile(m.in("FC12.tmp"), kTheirs);
       test::WriteFile(m.in("fcc notes.txt"), kTheirs);
       return Record("folder", m.run);
     },
     {"FC12.tmp", "fcc notes.txt"},
     {}},
    {"a journal cut short in its last record",
     [](Machine& m) {
       test::WriteFile(m.in("ZorvelData.Z01"), kTheirs);
       const std::string cut = Record("file", m.in("ZorvelData.Z01"));
       return Record("folder", m.run) + cut.substr(0, cut.size() - 1);
     },
     {"ZorvelData.Z01"},
     {}},
    {"forged records: outside our folder, and climbing out of it",
     [](Machine& m) {
       test::WriteFile(Beside(m, "../victim.docx"), kTheirs);
       const std::string climbing = m.run + test::Separator() + ".." + test::Separator() + ".." +
                                    test::Separator() + "victim.docx";
       return Record("folder", m.run) + Record("file", Beside(m, "../victim.docx")) + Record("done", Beside(m, "../victim.docx")) +
              "expect\t" + Beside(m, "../victim.docx") + "\n" + "expect\t" + climbing + "\n";
     },
     {"../victim.docx"},
     {}},
    {"a new file beside the user's file, its folder changed since (the number may be another's)",
     [](Machine& m) {
       test::WriteFile(Beside(m, "../Report.txt.tavisto-new"), kTheirs);
       return Record("folder", m.run) + Record("beside", Beside(m, "../Report.txt.tavisto-new")) +
              Seen(m.dir.Root(), -10000000);
     },
     {"../Report.txt.tavisto-new"},
     {}},
    {"a new file a killed run left beside the user's file, its folder as the run left it",
     [](Machine& m) {
       test::WriteFile(Beside(m, "../Report.txt"), kTheirs);
       test::WriteFile(Beside(m, "../Report.txt.tavisto-new"), "half a report");
       return Record("folder", m.run) + Record("beside", Beside(m, "../Report.txt.tavisto-new")) + Seen(m.dir.Root());
     },
     {"../Report.txt"},
     {"../Report.txt.tavisto-new"}},
    {"what we made, in every state a killed window leaves it",
     [](Machine& m) {
       test::WriteFile(m.in("ZorvelData.Z01"), "a whole volume");
       test::WriteFile(m.in("ZorvelData.Z02"), "a volume being written");
       test::WriteFile(m.in("ZorvelData.zip"), "the last volume, renamed to its archive's name");
       test::WriteFile(m.in("tmp.txt"), "a tool's list");
       return Record("folder", m.run) + Record("file", m.in("ZorvelData.Z01")) + Record("done", m.in("ZorvelData.Z01")) +
              Record("file", m.in("ZorvelData.Z02")) + "expect\t" + m.in("ZorvelData.zip") + "\n" + "expect\t" +
              m.in("tmp.txt") + "\n" + Seen(m.run);
     },
     {},
     {"ZorvelData.Z01", "ZorvelData.Z02", "ZorvelData.zip", "tmp.txt"}},
};

TEST(SweepAbandonedJournals, KeepsEveryFileOfTheCustomersAndRemovesWhatIsProvablyOurs) {
  for (const HostileCase& c : kHostileCases) {
    SCOPED_TRACE(c.what);
    Machine m;
    test::WriteFile(m.own + "Journal 1.txt", kHeader + c.arrange(m));
    std::vector<std::pair<std::string, std::string>> before;
    for (const std::string& name : c.theirs) before.emplace_back(At(m, name), test::ReadFile(At(m, name)));

    SweepAbandonedJournals(m.own);
    for (const auto& [path, bytes] : before) EXPECT_EQ(test::ReadFile(path), bytes) << path;
    for (const std::string& name : c.ours) EXPECT_FALSE(os::FileExists(At(m, name))) << name;
    // The journal goes once nothing of ours is left; a folder of ours goes once it is empty.
    EXPECT_FALSE(os::FileExists(m.own + "Journal 1.txt"));
    const bool runKept = std::any_of(c.theirs.begin(), c.theirs.end(),
                                     [](const std::string& name) { return name.rfind("../", 0) != 0; });
    EXPECT_EQ(os::DirectoryExists(m.run), runKept);
  }
}

TEST(SweepAbandonedJournals, TrustsNoJournalOfAnotherUserNorAnythingThatIsNoJournal) {
  Machine m;
  test::WriteFile(m.in("ZorvelData.Z01"), kTheirs);
  const std::string records = Record("folder", m.run) + Record("file", m.in("ZorvelData.Z01"));
  test::WriteFile(m.own + "Journal 1.txt", "not a journal of ours\n" + records);
  test::WriteFile(m.own + "Journal 2.txt", kHeader + records);
  if (test::GiveToAnotherUser(m.own + "Journal 2.txt")) {
    SweepAbandonedJournals(m.own);
    EXPECT_TRUE(os::FileExists(m.own + "Journal 2.txt"));
  } else {
    std::fprintf(stderr, "WARNING: a journal of another user NOT TESTED: this machine cannot give a file away\n");
    ASSERT_TRUE(os::RemoveFile(m.own + "Journal 2.txt"));
    SweepAbandonedJournals(m.own);
  }
  EXPECT_EQ(test::ReadFile(m.in("ZorvelData.Z01")), kTheirs);
  EXPECT_TRUE(os::FileExists(m.own + "Journal 1.txt"));
}

// A temporary folder every account may write (LocalSystem's): a "Tavisto" another account made
// first is passed over, never used, and the user's own folder is the next name.
TEST(OwnFolder, IsNeverAFolderAnotherAccountMadeFirst) {
  test::TempDir dir;
  const std::string temp = dir.Root() + test::Separator();
  EXPECT_EQ(OwnFolder(temp), temp + "Tavisto\\");
  test::MakeDirectories(temp + "Tavisto");
  EXPECT_EQ(OwnFolder(temp), temp + "Tavisto\\") << "the user's own";
  if (!test::GiveToAnotherUser(temp + "Tavisto")) {
    std::fprintf(stderr, "WARNING: a folder of another user NOT TESTED: this machine cannot give a file away\n");
    return;
  }
  const std::string own = OwnFolder(temp);
  EXPECT_EQ(own, temp + "Tavisto 2\\");
  { FileJournal journal(own); }
  EXPECT_FALSE(os::FileExists(temp + "Tavisto" + test::Separator() + "Journal 1.txt"));
}

TEST(FileJournal, ForgetsWhatItRemovedAndProvesOnlyWhatIsAsItLeftIt) {
  test::TempDir dir;
  const std::string own = dir.Path("Tavisto") + test::Separator();
  std::optional<FileJournal> journal(std::in_place, own);
  const std::string run = journal->CreateFolder(own + "Get Data ");
  EXPECT_EQ(run, own + "Get Data 1\\");
  EXPECT_EQ(journal->CreateFolder(own + "Get Data "), own + "Get Data 2\\");
  EXPECT_THROW((void)journal->CreateNew(dir.Path("outside.zip")), Error);
  EXPECT_FALSE(os::FileExists(dir.Path("outside.zip")));

  test::WriteFile(run + "customer.zip", kTheirs);
  EXPECT_FALSE(journal->CreateNew(run + "customer.zip"));
  EXPECT_FALSE(journal->IsOurs(run + "customer.zip"));
  EXPECT_TRUE(journal->RemoveIfOurs(run + "customer.zip"));
  EXPECT_EQ(test::ReadFile(run + "customer.zip"), kTheirs);

  // Removed, a name of ours is forgotten: a file of the customer's there later is theirs.
  ASSERT_TRUE(journal->CreateNew(run + "ZorvelData.Z01"));
  EXPECT_TRUE(journal->IsOurs(run + "ZorvelData.Z01"));
  EXPECT_TRUE(journal->RemoveIfOurs(run + "ZorvelData.Z01"));
  EXPECT_FALSE(os::FileExists(run + "ZorvelData.Z01"));
  test::WriteFile(run + "ZorvelData.Z01", kTheirs);
  EXPECT_FALSE(journal->IsOurs(run + "ZorvelData.Z01"));

  // Written whole, a file is ours only as it was left.
  ASSERT_TRUE(journal->CreateNew(run + "Data.zip"));
  test::WriteFile(run + "Data.zip", "ours, whole");
  const OwnedFile done = journal->RecordDone(run + "Data.zip");
  EXPECT_TRUE(done.Unchanged());
  EXPECT_TRUE(journal->IsOurs(run + "Data.zip"));
  test::WriteFile(run + "Data.zip", kTheirs);
  EXPECT_FALSE(journal->IsOurs(run + "Data.zip"));

  ASSERT_TRUE(journal->CreateNew(run + "qrxReg.log"));
  journal.reset();
  EXPECT_FALSE(os::FileExists(run + "qrxReg.log"));
  EXPECT_FALSE(os::DirectoryExists(own + "Get Data 2"));
  for (const char* name : {"customer.zip", "ZorvelData.Z01", "Data.zip"}) EXPECT_EQ(test::ReadFile(run + name), kTheirs);
  EXPECT_FALSE(os::FileExists(own + "Journal 1.txt"));
}

// What a program we ran left at a name we expected (a tool's list made a folder, a list left
// behind) is ours to clear; a name we did not expect is not, nor a link and what it leads to.
TEST(FileJournal, ClearsWhatWasLeftAtANameItExpectedAndNothingElse) {
  test::TempDir dir;
  const std::string own = dir.Path("Tavisto") + test::Separator();
  FileJournal journal(own);
  const std::string tools = journal.CreateFolder(own + "Tools ");
  std::string list = tools + "tmp.txt";
  std::replace(list.begin(), list.end(), '\\', test::Separator());  // a link is made by its native path
  journal.ExpectName(tools + "tmp.txt");
  test::MakeDirectories(list + "\\inner");
  test::WriteFile(list + "\\inner\\part.txt", "half a list");
  EXPECT_TRUE(journal.ClearExpectedName(tools + "tmp.txt"));
  EXPECT_FALSE(os::DirectoryExists(list));
  test::WriteFile(list, "a list left behind");
  EXPECT_TRUE(journal.ClearExpectedName(tools + "tmp.txt"));

  test::WriteFile(tools + "other", kTheirs);
  EXPECT_FALSE(journal.ClearExpectedName(tools + "other"));
  test::MakeDirectories(dir.Path("theirs"));
  test::WriteFile(dir.Path("theirs\\kept.txt"), kTheirs);
  ASSERT_TRUE(test::MakeFolderLink(list, dir.Path("theirs")));
  EXPECT_FALSE(journal.ClearExpectedName(tools + "tmp.txt"));
  EXPECT_EQ(test::ReadFile(dir.Path("theirs\\kept.txt")), kTheirs);
  EXPECT_EQ(test::ReadFile(tools + "other"), kTheirs);
  test::RemoveTree(list);
}

TEST(FileJournal, TheLastWindowOutTakesOurEmptyFolderWithIt) {
  test::TempDir dir;
  const std::string own = dir.Path("Tavisto") + test::Separator();
  std::optional<FileJournal> first(std::in_place, own), second(std::in_place, own);
  const std::string mail = second->CreateFolder(own + "Mail ");
  ASSERT_TRUE(second->CreateNew(mail + "qrxReg.log"));
  first.reset();
  EXPECT_TRUE(os::DirectoryExists(own));
  test::WriteFile(mail + "note.txt", kTheirs);
  second->RemoveFolderIfOurs(mail);
  EXPECT_FALSE(os::FileExists(mail + "qrxReg.log"));
  EXPECT_EQ(test::ReadFile(mail + "note.txt"), kTheirs);
  second.reset();
  EXPECT_TRUE(os::DirectoryExists(own + "Mail 1"));
  ASSERT_TRUE(os::RemoveFile(mail + "note.txt"));
  ASSERT_TRUE(os::RemoveFolder(own + "Mail 1"));
  std::optional<FileJournal> last(std::in_place, own);
  last.reset();
  EXPECT_FALSE(os::DirectoryExists(own));
}

}  // namespace
}  // namespace tavisto::delivery
