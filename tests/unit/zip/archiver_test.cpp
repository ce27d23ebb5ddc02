// The component's properties, its open/update/commit/close lifecycle, and what a failing file,
// a full disk or a cancel leaves behind.
#include "zip/archiver.h"

#include <gtest/gtest.h>

#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"
#include "zip/path_rules.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;
using testing::MakeFile;
using testing::Names;
using Strings = std::vector<std::string>;

const std::string kEmptyArchive = std::string("PK\x05\x06", 4) + std::string(18, '\0');

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(nothing raised)";
}

TEST(Archiver, DefaultsAsTheProgramsComponentsHaveThem) {
  TArchiver archive("ArchivioZorvel");
  EXPECT_EQ(archive.Name(), "ArchivioZorvel");
  EXPECT_EQ(archive.CompressionLevel(), clFastest);
  EXPECT_EQ(archive.CompressionMode(), 1);
  EXPECT_EQ(archive.MethodWord(), 8);
  EXPECT_EQ(archive.SpanningMode(), smNone);
  EXPECT_EQ(archive.EncryptionMethod(), caPkzipClassic);
  EXPECT_EQ(archive.CurrentVersion(), "4.04 ");
  archive.SetCurrentVersion("9.99");
  EXPECT_EQ(archive.CurrentVersion(), "4.04 ") << "read-only";
  EXPECT_FALSE(archive.InMemory());
  EXPECT_FALSE(archive.Active());
  const TArcOptions& options = archive.Options();
  EXPECT_TRUE(options.Recurse);
  EXPECT_EQ(options.StorePath, spRelativePath);
  EXPECT_EQ(options.ShareMode, smShareDenyNone);
  EXPECT_EQ(options.OverwriteMode, omAlways);
  EXPECT_EQ(options.SearchAttr, 10431u);
  EXPECT_TRUE(options.FlushBuffers);
  EXPECT_TRUE(options.OEMFileNames);
  TArcSpanningOptions& spanning = archive.SpanningOptions();
  EXPECT_FALSE(spanning.AdvancedNaming());
  EXPECT_EQ(spanning.FirstVolumeSize(), 0);
  EXPECT_EQ(spanning.VolumeSize(), vsAutoDetect);
  EXPECT_EQ(spanning.CustomVolumeSize(), 0);
  EXPECT_TRUE(archive.FileMasks().empty() && archive.ExclusionMasks().empty() && archive.NoCompressionMasks().empty());
}

TEST(Archiver, CompressionLevelAndModeSetEachOther) {
  TArchiver archive("ArchivioZorvel");
  archive.SetCompressionLevel(clMax);
  EXPECT_EQ(archive.CompressionMode(), 9);
  archive.SetCompressionLevel(clNormal);
  EXPECT_EQ(archive.CompressionMode(), 6);
  for (const auto& [mode, level] : {std::pair<uint8_t, TArcCompressionLevel>{0, clNone}, {3, clFastest},
                                    {4, clNormal}, {7, clMax}}) {
    archive.SetCompressionMode(mode);
    EXPECT_EQ(archive.CompressionLevel(), level) << int(mode);
    EXPECT_EQ(archive.MethodWord(), mode ? 8 : 0);
  }
  archive.SetCompressionMode(2);
  EXPECT_EQ(MessageOf([&] { archive.SetCompressionMode(10); }),
            "ArchivioZorvel: Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
  EXPECT_EQ(archive.CompressionMode(), 2) << "unchanged";
  EXPECT_EQ(archive.CompressionLevel(), clFastest);
  EXPECT_NE(MessageOf([&] { archive.SetPassword("secret"); }), "(nothing raised)") << "no encryption";
  EXPECT_NE(MessageOf([&] { archive.SetInMemory(true); }), "(nothing raised)");
}

TEST(Archiver, OperationsOnAClosedArchiveAndBadNames) {
  TArchiver archive("ArchivioTotale");
  EXPECT_EQ(MessageOf([&] { (void)archive.GetArchiveSize(); }),
            "ArchivioTotale: Archive is not open - Native error: 00013");
  EXPECT_EQ(MessageOf([&] { archive.AddFiles("*.*", kDefaultSearchAttr); }),
            "ArchivioTotale: Archive is not open - Native error: 00013");
  archive.CloseArchive();  // never opened: nothing happens
  archive.CloseArchive();
  archive.SetFileName(JoinPath("folder", ""));
  EXPECT_EQ(MessageOf([&] { archive.OpenArchive(kCreateMode); }),
            "ArchivioTotale: File name is blank. Specify appropriate file name - Native error: 00010");
  archive.SetFileName(JoinPath("nowhere-" + std::to_string(reinterpret_cast<uintptr_t>(&archive)), "a.zip"));
  EXPECT_EQ(MessageOf([&] { archive.OpenArchive(0); }).find("ArchivioTotale: File \"nowhere-"), 0u)
      << "another mode than create needs an existing file (12)";
}

TEST(Archiver, OpenReplacesCloseWritesTheEmptyRecordAndSpanningModeIsLockedWhileOpen) {
  test::TempDir dir;
  MakeFile(dir, "out/test.zip", "an old archive of that name");
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  EXPECT_TRUE(under.archive.Active());
  EXPECT_EQ(test::ReadFile(under.path), "") << "created empty, nothing written yet";
  EXPECT_EQ(under.archive.GetArchiveSize(), 0);
  EXPECT_EQ(MessageOf([&] { under.archive.SetSpanningMode(smSplitting); }),
            "Cannot set spanning mode on open archive");
  EXPECT_EQ(under.archive.SpanningMode(), smNone);
  under.archive.CloseArchive();
  under.archive.CloseArchive();
  EXPECT_FALSE(under.archive.Active());
  EXPECT_EQ(test::ReadFile(under.path), kEmptyArchive);
  test::KeepForPeers({under.path});
  under.archive.SetSpanningMode(smSplitting);  // allowed again once closed
  EXPECT_EQ(under.archive.SpanningMode(), smSplitting);
}

// A file that disappears between the scan and the commit, the everyday case of a source that
// cannot be opened, answered each way.
class FailingSource : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFile(dir, "data/a.txt", "first");
    MakeFile(dir, "data/b.txt", "second");
    MakeFile(dir, "data/c.txt", "third");
  }
  // Adds everything, with b.txt gone by the time the update commits.
  void AddWithBGone(ArchiveUnderTest& under) {
    under.archive.BeginUpdate();
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    ASSERT_TRUE(os::RemoveFile(dir.Path("data/b.txt")));
    under.archive.EndUpdate();
  }
  test::TempDir dir;
};

TEST_F(FailingSource, IgnoreLeavesASoundArchiveWithoutTheFile) {
  ArchiveUnderTest under(dir);
  under.answer = FailureAction::Skip;
  under.archive.OpenArchive(kCreateMode);
  AddWithBGone(under);
  under.archive.CloseArchive();
  ASSERT_EQ(under.failures.size(), 1u);
  EXPECT_EQ(under.failures[0], "ArchivioTest: Cannot open file \"" + dir.Path("data/b.txt") +
                                   "\" - Native error: 00033");
  EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Committed);
  ASSERT_EQ(under.archive.LeftOut().size(), 1u);
  EXPECT_EQ(under.archive.LeftOut()[0].path, dir.Path("data/b.txt"));
  EXPECT_EQ(under.archive.LeftOut()[0].reason, under.failures[0]);
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(Names(zip), (Strings{"a.txt", "c.txt"}));
  EXPECT_EQ(testing::Contents(zip).at("c.txt"), "third");
  test::KeepForPeers({under.path});
}

TEST_F(FailingSource, RetryTriesTheFileAgain) {
  ArchiveUnderTest under(dir);
  int asked = 0;
  under.archive.OnProcessFileFailure = [&](TBaseArchiver&, const std::string& name, Operation operation,
                                           int32_t nativeError, int32_t errorCode, const std::string&,
                                           FailureAction& action) {
    ++asked;
    EXPECT_EQ(name, dir.Path("data/b.txt"));
    EXPECT_EQ(operation, Operation::Add);
    EXPECT_EQ(nativeError, 33);
    EXPECT_EQ(errorCode, 12);
    MakeFile(dir, "data/b.txt", "second, back again");
    action = FailureAction::Retry;
  };
  under.archive.OpenArchive(kCreateMode);
  AddWithBGone(under);
  under.archive.CloseArchive();
  EXPECT_EQ(asked, 1);
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(testing::Contents(zip).at("b.txt"), "second, back again");
  test::KeepForPeers({under.path});
}

TEST_F(FailingSource, AbortLeavesTheArchiveAsItWasBeforeAddFiles) {
  MakeFile(dir, "more/d.txt", "fourth");
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.SetBaseDir(dir.Path("more"));
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  const std::string before = test::ReadFile(under.path);
  EXPECT_EQ(Names(testing::ReadSoundArchive(under.path)), Strings{"d.txt"});

  under.archive.SetBaseDir(dir.Path("data"));
  under.answer = FailureAction::Abort;
  AddWithBGone(under);  // raises nothing
  EXPECT_EQ(under.failures.size(), 1u);
  EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Aborted);
  EXPECT_TRUE(under.archive.LeftOut().empty());
  EXPECT_EQ(test::ReadFile(under.path), before);
  EXPECT_EQ(under.archive.EntryCount(), 1);

  // Without a handler the answer is Abort too, and no one is asked.
  under.archive.OnProcessFileFailure = nullptr;
  MakeFile(dir, "data/b.txt", "second");
  AddWithBGone(under);
  EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Aborted);
  EXPECT_EQ(test::ReadFile(under.path), before);
  under.archive.CloseArchive();
  EXPECT_EQ(test::ReadFile(under.path), before);
  test::KeepForPeers({under.path});
}

// The second AddFiles of "Data.zip" replaces every entry: the archive's tail is saved and the
// commit rewrites from the first entry.
TEST_F(FailingSource, ReplacedEntriesKeepTheirOldDataWhenSkippedAndAllOfItOnAbort) {
  for (const FailureAction answer : {FailureAction::Skip, FailureAction::Abort}) {
    SCOPED_TRACE(answer == FailureAction::Skip ? "skip" : "abort");
    MakeFile(dir, "data/b.txt", "second");
    ArchiveUnderTest under(dir);
    under.archive.SetTempDir(dir.Path("scratch"));
    test::MakeDirectories(dir.Path("scratch"));
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    const std::string before = test::ReadFile(under.path);

    MakeFile(dir, "data/a.txt", "first, now much longer than it was");
    under.answer = answer;
    AddWithBGone(under);
    const test::ZipImage after = testing::ReadSoundArchive(under.path);
    if (answer == FailureAction::Abort) {
      EXPECT_EQ(test::ReadFile(under.path), before);
      test::KeepForPeers({under.path}, test::PeerHandOff().Label("abort"));
    } else {
      test::ZipImage zip = after;
      EXPECT_EQ(Names(zip), (Strings{"a.txt", "b.txt", "c.txt"}));
      const auto contents = testing::Contents(zip);
      EXPECT_EQ(contents.at("a.txt"), "first, now much longer than it was");
      EXPECT_EQ(contents.at("b.txt"), "second") << "the old data, copied back";
      EXPECT_EQ(contents.at("c.txt"), "third");
      test::KeepForPeers({under.path}, test::PeerHandOff().Label("skip"));
    }
    under.archive.CloseArchive();
    // The saved tail was a scratch file of ours: it is gone.
    os::DirListing scratch(dir.Path("scratch/*"));
    os::DirEntry entry;
    while (scratch.Next(entry)) EXPECT_TRUE(entry.name == "." || entry.name == "..") << entry.name;
  }
}

// A stored name or a comment that its record's 16-bit length cannot hold is refused, never cut
// (which would leave every record after it misread): the entry fails like a file that cannot be
// read, and Ignore leaves it out of a sound archive.
TEST(Archiver, ValuesPastARecordsFieldsAreRefused) {
  for (const bool longName : {true, false}) {
    SCOPED_TRACE(longName ? "name" : "comment");
    test::TempDir dir;
    MakeFile(dir, "data/a.txt", "first");
    MakeFile(dir, "data/b.txt", "second");
    ArchiveUnderTest under(dir);
    under.answer = FailureAction::Skip;
    under.archive.OnStoreFile = [&](TBaseArchiver&, std::string& name, uint32_t&, std::string& comment,
                                    const std::string& source) {
      if (source == dir.Path("data/b.txt")) (longName ? name : comment) = std::string(65536, 'n');
    };
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CloseArchive();
    const std::string path = dir.Path("data/b.txt");
    EXPECT_EQ(under.failures,
              Strings{longName ? "ArchivioTest: File name is too long: \r\n\"" + path +
                                     "\" - Native error: 00061 (its stored name is 65536 bytes, a ZIP record holds 65535)"
                               : "ArchivioTest: Unknown error - Native error: 00000 (" + path +
                                     ": its comment is longer than the 65535 bytes a ZIP record holds)"});
    EXPECT_EQ(Names(testing::ReadSoundArchive(under.path)), Strings{"a.txt"});
  }
}

TEST(Archiver, ChangedFileIsReplacedInPlaceAndTheOthersCopied) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", testing::TextBytes(70000, 1));
  MakeFile(dir, "data/b.txt", "short");
  MakeFile(dir, "data/c.txt", testing::TextBytes(90000, 3));
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  MakeFile(dir, "data/b.txt", testing::TextBytes(30000, 2));
  std::vector<std::string> written;
  under.archive.OnFileProgress = [&](TBaseArchiver&, const std::string& name, double, Operation operation,
                                     ProgressPhase phase, bool&) {
    if (phase == ProgressPhase::Begin) written.push_back(name + (operation == Operation::Replace ? " (replace)" : ""));
  };
  under.archive.AddFiles("b.txt", kDefaultSearchAttr);
  under.archive.CloseArchive();
  EXPECT_EQ(written, Strings{"b.txt (replace)"}) << "only the changed entry is compressed again";
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(Names(zip), (Strings{"a.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(testing::Contents(zip).at("b.txt"), testing::TextBytes(30000, 2));
  EXPECT_EQ(testing::Contents(zip).at("c.txt"), testing::TextBytes(90000, 3));
  test::KeepForPeers({under.path});
}

TEST(Archiver, OverwriteModesDecideWhetherAFoundNameIsReplaced) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "old a");
  MakeFile(dir, "data/b.txt", "old b");
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  // A day newer and a day older than what the archive holds.
  const auto rewrite = [&](const std::string& name, const std::string& content, int64_t days) {
    MakeFile(dir, "data/" + name, content);
    auto file = os::File::Open(dir.Path("data/" + name), os::Access::Write, os::kShareAll,
                               os::Disposition::OpenExisting);
    ASSERT_TRUE(file && file->SetLastWriteTime({testing::kFixedTime.ticks + days * 864000000000LL}));
  };
  rewrite("a.txt", "new a", 1);
  rewrite("b.txt", "new b", -1);
  const auto contents = [&] {
    test::ZipImage zip = testing::ReadSoundArchive(under.path);
    return testing::Contents(zip);
  };
  const auto add = [&](TArcOverwriteMode mode) {
    under.archive.Options().OverwriteMode = mode;
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
  };
  add(omNever);
  EXPECT_EQ(contents(), (std::map<std::string, std::string>{{"a.txt", "old a"}, {"b.txt", "old b"}}));
  add(omIfNewer);
  EXPECT_EQ(contents(), (std::map<std::string, std::string>{{"a.txt", "new a"}, {"b.txt", "old b"}}));
  add(omIfOlder);
  EXPECT_EQ(contents(), (std::map<std::string, std::string>{{"a.txt", "new a"}, {"b.txt", "new b"}}));

  rewrite("a.txt", "newest a", 2);
  rewrite("b.txt", "newest b", 2);
  Strings asked;
  under.archive.OnConfirmOverwrite = [&](TBaseArchiver&, const std::string& source, const std::string& stored,
                                         OverwriteAnswer& answer) {
    asked.push_back(stored + " <- " + source);
    answer = OverwriteAnswer::YesToAll;
  };
  add(omPrompt);
  EXPECT_EQ(asked, Strings{"a.txt <- " + dir.Path("data/a.txt")}) << "asked once: yes to all";
  EXPECT_EQ(under.archive.Options().OverwriteMode, omAlways);
  EXPECT_EQ(contents(), (std::map<std::string, std::string>{{"a.txt", "newest a"}, {"b.txt", "newest b"}}));
  under.archive.CloseArchive();
  test::KeepForPeers({under.path});
}

TEST(Archiver, FullDiskRollsBackSilently) {
  test::TempDir dir;
  MakeFile(dir, "data/small.txt", "fits");
  MakeFile(dir, "more/big.bin", testing::RandomBytes(200000));
  MemoryStream disk(100000);
  TArchiver archive("ArchivioTotale");
  archive.SetBaseDir(dir.Path("data"));
  std::vector<std::string> asked;
  archive.OnDiskFull = [&](TBaseArchiver&, int32_t volume, const std::string& name, bool& cancel) {
    asked.push_back(std::to_string(volume) + " " + name + (cancel ? " cancel" : ""));
  };
  archive.SetFileName("Data.zip");
  archive.OpenArchive(disk, kCreateMode);
  archive.AddFiles("*.*", kDefaultSearchAttr);
  const std::string before = disk.Bytes();
  EXPECT_EQ(Names(testing::CheckSound(test::ParseZip(before))), Strings{"small.txt"});

  archive.SetBaseDir(dir.Path("more"));
  EXPECT_NO_THROW(archive.AddFiles("*.*", kDefaultSearchAttr));
  EXPECT_EQ(asked, Strings{"0 Data.zip cancel"}) << "volume 0, the archive's name, cancel by default";
  EXPECT_EQ(archive.LastUpdateOutcome(), UpdateOutcome::DiskFull);
  EXPECT_EQ(disk.Bytes(), before);
  EXPECT_EQ(archive.EntryCount(), 1);

  // A handler that makes room and asks to go on: the write is tried again from where it stood.
  archive.OnDiskFull = [&](TBaseArchiver&, int32_t, const std::string&, bool& cancel) {
    disk.SetCapacity(SIZE_MAX);
    cancel = false;
  };
  archive.AddFiles("*.*", kDefaultSearchAttr);
  archive.CloseArchive();
  test::ZipImage zip = testing::CheckSound(test::ParseZip(disk.Bytes()));
  EXPECT_EQ(testing::Contents(zip).at("big.bin"), testing::RandomBytes(200000));
  test::WriteFile(dir.Path("Data.zip"), disk.Bytes());
  test::KeepForPeers({dir.Path("Data.zip")});
}

TEST(Archiver, EventsConfirmCancelAndReportProgress) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "a");
  MakeFile(dir, "data/skip.txt", "not wanted");
  MakeFile(dir, "data/z.txt", testing::TextBytes(1000));
  ArchiveUnderTest under(dir);
  std::vector<std::string> phases;
  under.archive.OnConfirmProcessFile = [&](TBaseArchiver&, const std::string& name, Operation, bool& confirm) {
    confirm = name.find("skip.txt") == std::string::npos;
  };
  under.archive.OnOverallProgress = [&](TBaseArchiver&, double progress, Operation, ProgressPhase phase, bool&) {
    if (phase != ProgressPhase::Running) phases.push_back(std::to_string(int(progress)));
  };
  int opened = 0;
  under.archive.AfterOpen = [&](TBaseArchiver&) { ++opened; };
  under.archive.OpenArchive(kCreateMode);
  EXPECT_EQ(opened, 1);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  EXPECT_EQ(phases, (Strings{"0", "100"}));
  EXPECT_EQ(Names(testing::ReadSoundArchive(under.path)), (Strings{"a.txt", "z.txt"}));
  const std::string before = test::ReadFile(under.path);

  // Cancel from a progress handler: the update is rolled back and nothing is raised.
  MakeFile(dir, "data/new.txt", "new");
  under.archive.OnFileProgress = [&](TBaseArchiver&, const std::string& name, double, Operation, ProgressPhase,
                                     bool& cancel) { cancel = name.find("new.txt") != std::string::npos; };
  EXPECT_NO_THROW(under.archive.AddFiles("*.*", kDefaultSearchAttr));
  EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Cancelled);
  EXPECT_EQ(test::ReadFile(under.path), before);
  under.archive.CloseArchive();
  test::KeepForPeers({under.path});
}

TEST(Archiver, HandlerDuringAScanMayUseAnotherArchive) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "a");
  MakeFile(dir, "other/b.txt", "b");
  ArchiveUnderTest outer(dir, "outer.zip");
  ArchiveUnderTest inner(dir, "inner.zip", "other");
  inner.archive.OpenArchive(kCreateMode);
  outer.archive.OnConfirmProcessFile = [&](TBaseArchiver&, const std::string&, Operation, bool&) {
    if (inner.archive.EntryCount() == 0) inner.archive.AddFiles("*.*", kDefaultSearchAttr);
  };
  outer.archive.OpenArchive(kCreateMode);
  outer.archive.AddFiles("*.*", kDefaultSearchAttr);
  outer.archive.CloseArchive();
  inner.archive.CloseArchive();
  EXPECT_EQ(Names(testing::ReadSoundArchive(outer.path)), Strings{"a.txt"});
  EXPECT_EQ(Names(testing::ReadSoundArchive(inner.path)), Strings{"b.txt"});
}

TEST(Archiver, UpdatesNestAndACancelledUpdateForgetsItsEntries) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "a");
  MakeFile(dir, "data/b.log", "b");
  {
    ArchiveUnderTest under(dir, "nested.zip");
    under.archive.OpenArchive(kCreateMode);
    under.archive.BeginUpdate();
    under.archive.AddFiles("*.txt", kDefaultSearchAttr);
    under.archive.AddFiles("*.log", kDefaultSearchAttr);
    EXPECT_EQ(test::ReadFile(under.path), "") << "nothing written before the outermost EndUpdate";
    under.archive.EndUpdate();
    under.archive.CloseArchive();
    EXPECT_EQ(Names(testing::ReadSoundArchive(under.path)), (Strings{"a.txt", "b.log"}));
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("nested"));
  }
  {
    ArchiveUnderTest under(dir, "cancelled.zip");
    under.archive.OpenArchive(kCreateMode);
    under.archive.BeginUpdate();
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CancelUpdate();
    EXPECT_EQ(under.archive.EntryCount(), 0);
    under.archive.CloseArchive();
    EXPECT_EQ(test::ReadFile(under.path), kEmptyArchive);
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("cancelled"));
  }
  {
    // An update still open at close is committed.
    ArchiveUnderTest under(dir, "open.zip");
    under.archive.OpenArchive(kCreateMode);
    under.archive.BeginUpdate();
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CloseArchive();
    EXPECT_EQ(Names(testing::ReadSoundArchive(under.path)), (Strings{"a.txt", "b.log"}));
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("open-at-close"));
  }
}

// The system opens long paths through their extended form: a path of 260 characters or more is
// packed like any other.
TEST(Archiver, PathsOf260CharactersOrMoreArePacked) {
  test::TempDir dir;
  const testing::LongPathFile longFile(dir);
  MakeFile(dir, "data/short.txt", "near");
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  EXPECT_TRUE(under.failures.empty()) << under.failures.front();
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(testing::Contents(zip).count("short.txt"), 1u);
  size_t longOnes = 0;
  for (const auto& entry : zip.entries) longOnes += entry.central.name.size() > 200 && entry.central.name.back() != '/';
  EXPECT_EQ(longOnes, 1u);
  test::KeepForPeers({under.path});
}

}  // namespace
}  // namespace tavisto::zip
