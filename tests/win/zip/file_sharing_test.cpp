// Sources other programs hold open, through the real file sharing of Windows.
#include <gtest/gtest.h>

#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;
using testing::MakeFile;
using testing::Names;
using Strings = std::vector<std::string>;

// Opens a file as another program would: with the given access and sharing.
os::File Hold(const std::string& path, os::Access access, unsigned share) {
  auto file = os::File::Open(path, access, share, os::Disposition::OpenExisting);
  EXPECT_TRUE(file.has_value()) << path;
  return file ? std::move(*file) : os::File();
}

class HeldSource : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFile(dir, "data/a.txt", "first");
    MakeFile(dir, "data/locked.db", "held by its program");
    MakeFile(dir, "data/z.txt", "last");
  }
  test::TempDir dir;
};

TEST_F(HeldSource, FileOpenForWritingByItsProgramIsRead) {
  // A log its program keeps open for writing, letting others read.
  os::File log = Hold(dir.Path("data/locked.db"), os::Access::Write, os::kShareRead);
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  EXPECT_TRUE(under.failures.empty());
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(testing::Contents(zip).at("locked.db"), "held by its program");
  test::KeepForPeers({under.path});
}

TEST_F(HeldSource, LockedFileAnsweredThroughTheEvent) {
  {
    os::File lock = Hold(dir.Path("data/locked.db"), os::Access::ReadWrite, os::kShareNone);
    ArchiveUnderTest under(dir, "ignore.zip");
    under.answer = FailureAction::Skip;
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CloseArchive();
    ASSERT_EQ(under.failures.size(), 1u);
    EXPECT_EQ(under.failures[0], "ArchivioTest: Cannot open file \"" + dir.Path("data/locked.db") +
                                     "\" - Native error: 00033");
    EXPECT_EQ(Names(testing::ReadSoundArchive(under.path)), (Strings{"a.txt", "z.txt"}));
    // Left out with the cause in codes: the open failed for a sharing violation.
    ASSERT_EQ(under.archive.LeftOut().size(), 1u);
    const LeftOutFile& held = under.archive.LeftOut()[0];
    EXPECT_EQ(held.kind, LeftOutKind::File);
    EXPECT_EQ(held.archiveError, kErrorCannotOpenSource);
    EXPECT_EQ(held.systemError, os::kErrorSharingViolation);
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("ignore"));
  }
  {
    // Retry once the program let go of the file.
    std::optional<os::File> lock = Hold(dir.Path("data/locked.db"), os::Access::ReadWrite, os::kShareNone);
    ArchiveUnderTest under(dir, "retry.zip");
    under.archive.OnProcessFileFailure = [&](TBaseArchiver&, const std::string&, Operation, int32_t, int32_t,
                                             const std::string&, FailureAction& action) {
      lock.reset();
      action = FailureAction::Retry;
    };
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CloseArchive();
    test::ZipImage zip = testing::ReadSoundArchive(under.path);
    EXPECT_EQ(Names(zip), (Strings{"a.txt", "locked.db", "z.txt"}));
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("retry"));
  }
}

// The last volume takes the archive's name; an old file of that name that another program holds
// (so that it can be neither deleted nor replaced) fails the commit, and stays as it was.
TEST(SplitArchive, AnOldArchiveHeldByAnotherProgramFailsTheCommit) {
  test::TempDir dir;
  MakeFile(dir, "data/a.bin", testing::RandomBytes(100000));
  MakeFile(dir, "out/ZorvelData.zip", "held by another program");
  // Others may read and write it, but not delete or replace it.
  os::File held = Hold(dir.Path("out/ZorvelData.zip"), os::Access::Read, os::kShareRead | os::kShareWrite);
  ArchiveUnderTest under(dir, "ZorvelData.zip");
  under.Split(65536);
  under.archive.OpenArchive(kCreateMode);
  try {
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    ADD_FAILURE() << "the commit went on with another file as its last volume";
  } catch (const FileCreateError& error) {
    // The cause follows: another program holds it.
    const std::string expected = "Impossible de cr\xC3\xA9" "er le fichier " + under.path + " (";
    EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected) << error.what();
  }
  under.archive.CloseArchive();
  held.Close();
  EXPECT_EQ(test::ReadFile(under.path), "held by another program");
}

}  // namespace
}  // namespace tavisto::zip
