// Split archives: where every byte lands among the volumes, the volume files and their names,
// and what becomes of them when something fails.
#include <gtest/gtest.h>

#include "os/files.h"
#include "os/os_error.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;
using testing::MakeFile;
using testing::Names;
using testing::SplitVolumePaths;
using Strings = std::vector<std::string>;

constexpr int64_t kProgramVolume = 4097152;
constexpr int64_t kSmallVolume = 65536;
// A local header of a five-letter name ("a.bin"): 30 fixed bytes and the name.
constexpr int64_t kHeader5 = 35;
// Its central record: 46 fixed bytes and the name.
constexpr int64_t kRecord5 = 51;

std::string FileSizes(const Strings& paths) {
  std::string text;
  for (const std::string& path : paths) text += std::to_string(test::ReadFile(path).size()) + " ";
  return text;
}

// Packs the base folder into a split archive (stored when asked, so that sizes are exact);
// returns the volume files.
Strings PackSplit(ArchiveUnderTest& under, int64_t volumeSize, bool stored = false) {
  under.Split(volumeSize);
  if (stored) under.archive.SetCompressionMode(0);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  return SplitVolumePaths(under.path);
}

TEST(Volumes, AnArchiveThatFitsIsOneFileUnderItsOwnName) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", testing::TextBytes(300000));
  MakeFile(dir, "data/Sub/b.bin", testing::RandomBytes(100000));
  ArchiveUnderTest under(dir, "ZorvelData.zip");
  const Strings volumes = PackSplit(under, kProgramVolume);
  EXPECT_EQ(volumes, Strings{under.path});
  EXPECT_FALSE(os::FileExists(dir.Path("out/ZorvelData.Z01")));
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(Names(zip), (Strings{"a.txt", "Sub/", "Sub/b.bin"}));
  EXPECT_EQ(zip.end.thisDisk, 0);
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kProgramVolume));
}

TEST(Volumes, NineMegabytesMakeTwoNumberedVolumesAndTheLastPart) {
  test::TempDir dir;
  for (int i = 0; i < 3; ++i) MakeFile(dir, "data/part" + std::to_string(i) + ".bin", testing::RandomBytes(3000000, i));
  MakeFile(dir, "data/notes.txt", testing::TextBytes(20000));
  MakeFile(dir, "out/ZorvelData.zip", "the archive of an earlier run");
  ArchiveUnderTest under(dir, "ZorvelData.zip");
  const Strings volumes = PackSplit(under, kProgramVolume);
  EXPECT_EQ(volumes, (Strings{dir.Path("out/ZorvelData.Z01"), dir.Path("out/ZorvelData.Z02"), under.path}))
      << FileSizes(volumes);
  testing::ExpectVolumeSizes(volumes, kProgramVolume);
  EXPECT_EQ(test::ReadFile(volumes[0]).size(), uint64_t(kProgramVolume)) << "data is cut right at the limit";
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(zip.entries.size(), 4u);
  EXPECT_EQ(zip.end.thisDisk, 2);
  EXPECT_EQ(zip.end.totalEntries, 4) << "the counts cover the whole archive";
  EXPECT_EQ(zip.volumes.back().find("earlier run"), std::string::npos) << "the old file was replaced";
  EXPECT_EQ(zip.end.entriesOnThisDisk, 4);
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kProgramVolume));
}

TEST(Volumes, SmallVolumesKeepHeadersAndCentralRecordsWhole) {
  test::TempDir dir;
  // Many small entries with long names: headers and central records are a large share of the
  // bytes, and the central directory itself runs over several volumes.
  for (int i = 0; i < 1500; ++i) {
    const std::string content = i % 2 ? testing::RandomBytes(20 + (i * 377) % 300, i) : testing::TextBytes(50 + i % 200, i);
    MakeFile(dir, "data/folder" + std::to_string(i % 7) + "/file-with-a-longer-name-" + std::to_string(i) + ".dat", content);
  }
  ArchiveUnderTest under(dir);
  const Strings volumes = PackSplit(under, kSmallVolume);
  ASSERT_GE(volumes.size(), 6u);
  testing::ExpectVolumeSizes(volumes, kSmallVolume);
  // The reader finds no record cut across volumes, no gap, and every header whole.
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(zip.entries.size(), 1507u);
  EXPECT_GT(zip.end.thisDisk, zip.end.directoryStartDisk) << "the directory runs over volumes";
  size_t shortVolumes = 0;
  for (size_t i = 0; i + 1 < volumes.size(); ++i) shortVolumes += test::ReadFile(volumes[i]).size() < kSmallVolume;
  EXPECT_GT(shortVolumes, 0u) << "some headers or records started the next volume";
  for (const auto& entry : zip.entries) {
    EXPECT_LE(entry.local.dataOffset, zip.volumes[entry.central.diskNumberStart].size()) << entry.central.name;
  }
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
}

TEST(Volumes, EntriesRunOverManyVolumes) {
  test::TempDir dir;
  MakeFile(dir, "data/big1.bin", testing::RandomBytes(200000, 1));
  MakeFile(dir, "data/big2.log", testing::TextBytes(900000, 2));
  MakeFile(dir, "data/small.txt", "between");
  ArchiveUnderTest under(dir);
  const Strings volumes = PackSplit(under, kSmallVolume);
  testing::ExpectVolumeSizes(volumes, kSmallVolume);
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  ASSERT_EQ(zip.entries.size(), 3u);
  const testing::Place start{zip.entries[0].central.diskNumberStart, zip.entries[0].local.offset};
  const testing::Place end = testing::Advance(zip, start, zip.entries[0].local.dataOffset + zip.entries[0].central.compressedSize);
  EXPECT_GE(end.volume, 3u) << "big1.bin's data runs over four volumes";
  EXPECT_EQ(testing::Contents(zip).at("big2.log"), testing::TextBytes(900000, 2));
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
}

TEST(Volumes, AHeaderThatDoesNotFitStartsTheNextVolume) {
  test::TempDir dir;
  // a.bin leaves 20 bytes in the first volume: too few for b.bin's 35-byte header.
  MakeFile(dir, "data/a.bin", testing::RandomBytes(kSmallVolume - kHeader5 - 20));
  MakeFile(dir, "data/b.bin", testing::RandomBytes(1000, 2));
  ArchiveUnderTest under(dir, "name");  // an archive name without extension
  const Strings volumes = PackSplit(under, kSmallVolume, true);
  ASSERT_EQ(volumes, (Strings{dir.Path("out/name.Z01"), under.path}));
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(zip.volumes[0].size(), uint64_t(kSmallVolume - 20)) << "closed short of its limit";
  ASSERT_EQ(zip.entries.size(), 2u);
  EXPECT_EQ(zip.entries[1].central.diskNumberStart, 1);
  EXPECT_EQ(zip.entries[1].local.offset, 0u);
  EXPECT_EQ(zip.entries[0].central.diskNumberStart, 0);
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
}

TEST(Volumes, AHeaderMayEndRightAtTheLimitWithItsDataInTheNextVolume) {
  test::TempDir dir;
  // a.bin leaves exactly the 35 bytes of b.bin's header.
  MakeFile(dir, "data/a.bin", testing::RandomBytes(kSmallVolume - 2 * kHeader5));
  MakeFile(dir, "data/b.bin", testing::RandomBytes(1000, 2));
  ArchiveUnderTest under(dir);
  const Strings volumes = PackSplit(under, kSmallVolume, true);
  ASSERT_EQ(volumes.size(), 2u);
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  ASSERT_EQ(zip.entries.size(), 2u);
  EXPECT_EQ(zip.entries[1].central.diskNumberStart, 0);
  EXPECT_EQ(zip.entries[1].local.offset, uint64_t(kSmallVolume - kHeader5));
  EXPECT_EQ(zip.volumes[0].size(), uint64_t(kSmallVolume));
  EXPECT_EQ(testing::Contents(zip).at("b.bin"), testing::RandomBytes(1000, 2));
  // Info-ZIP's join has a defect of its own with exactly this layout; 7-Zip reads the set.
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).WithoutInfoZipJoin());
}

// The end record names the volume and offset where the first central record really lies, also
// when the entries' data ended right at a volume's limit or the record did not fit what was left.
TEST(Volumes, TheDirectoryStartsWhereItsFirstRecordReallyLies) {
  for (const int64_t left : {0, 40}) {
    SCOPED_TRACE("room left after the data: " + std::to_string(left));
    test::TempDir dir;
    MakeFile(dir, "data/a.bin", testing::RandomBytes(kSmallVolume - kHeader5 - left));
    ArchiveUnderTest under(dir);
    const Strings volumes = PackSplit(under, kSmallVolume, true);
    ASSERT_EQ(volumes.size(), 2u);
    test::ZipImage zip = testing::ReadSoundSplit(volumes);
    EXPECT_EQ(zip.volumes[0].size(), uint64_t(kSmallVolume - left));
    ASSERT_EQ(zip.entries.size(), 1u);
    EXPECT_EQ(zip.entries[0].central.volume, 1u);
    EXPECT_EQ(zip.entries[0].central.offset, 0u);
    EXPECT_EQ(zip.end.directoryStartDisk, 1);
    EXPECT_EQ(zip.end.directoryOffset, 0u);
    EXPECT_EQ(zip.end.thisDisk, 1);
    EXPECT_EQ(zip.volumes[1].size(), uint64_t(kRecord5 + 22));
    test::KeepForPeers(volumes, test::PeerHandOff().Label("left-" + std::to_string(left)).Expect(dir.Path("data")).VolumeSize(kSmallVolume));
  }
}

TEST(Volumes, TheEndRecordGoesIntoTheLastFileEvenPastTheLimit) {
  test::TempDir dir;
  // Header, data and central record fill the volume exactly.
  MakeFile(dir, "data/a.bin", testing::RandomBytes(kSmallVolume - kHeader5 - kRecord5));
  ArchiveUnderTest under(dir);
  const Strings volumes = PackSplit(under, kSmallVolume, true);
  ASSERT_EQ(volumes, Strings{under.path});
  EXPECT_EQ(test::ReadFile(under.path).size(), uint64_t(kSmallVolume + 22));
  (void)testing::ReadSoundSplit(volumes);
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
}

TEST(Volumes, TheHundredthVolumeEndsInZ100) {
  test::TempDir dir;
  MakeFile(dir, "data/a.bin", testing::RandomBytes(3400000, 1));
  MakeFile(dir, "data/b.bin", testing::RandomBytes(3400000, 2));
  ArchiveUnderTest under(dir, "MQData.zip");
  const Strings volumes = PackSplit(under, kSmallVolume, true);
  ASSERT_GE(volumes.size(), 101u);
  EXPECT_EQ(volumes[98], dir.Path("out/MQData.Z99"));
  EXPECT_EQ(volumes[99], dir.Path("out/MQData.Z100"));
  EXPECT_EQ(volumes.back(), under.path);
  testing::ExpectVolumeSizes(volumes, kSmallVolume);
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(testing::Contents(zip).at("b.bin"), testing::RandomBytes(3400000, 2));
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
}

TEST(Volumes, AdvancedNamingAndAnOldArchiveOfTheSameName) {
  test::TempDir dir;
  MakeFile(dir, "data/a.bin", testing::RandomBytes(150000, 4));
  MakeFile(dir, "out/VYData.zip", "an archive left from an earlier run");
  ArchiveUnderTest under(dir, "VYData.zip");
  under.Split(kSmallVolume, true);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  EXPECT_EQ(under.archive.GetArchiveSize(), int64_t(test::ReadFile(under.path).size())) << "the last volume's size";
  under.archive.CloseArchive();
  const Strings volumes = SplitVolumePaths(under.path, true);
  EXPECT_EQ(volumes, (Strings{dir.Path("out/VYData_001.zip"), dir.Path("out/VYData_002.zip"), under.path}));
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(Names(zip), Strings{"a.bin"});
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
}

TEST(Volumes, ASplitArchiveTakesOneUpdate) {
  test::TempDir dir;
  MakeFile(dir, "data/a.bin", testing::RandomBytes(100000, 5));
  {
    ArchiveUnderTest under(dir, "entries.zip");
    under.Split(kSmallVolume);
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    const Strings volumes = SplitVolumePaths(under.path);
    const std::string before = FileSizes(volumes) + test::ReadFile(volumes.back());
    try {
      under.archive.AddFiles("*.*", kDefaultSearchAttr);
      ADD_FAILURE() << "a second AddFiles was taken";
    } catch (const EArchiveError& error) {
      EXPECT_EQ(error.Code(), 52);
      EXPECT_STREQ(error.what(), "ArchivioTest: Multi-spanned archive is not allowed for modification. Use "
                                 "BeginUpdate/EndUpdate methods to add files several times - Native error: 00052");
    }
    EXPECT_EQ(FileSizes(volumes) + test::ReadFile(volumes.back()), before) << "the volumes are untouched";
    under.archive.CloseArchive();
    test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
  }
  {
    ArchiveUnderTest under(dir, "empty.zip", "nothing-here");
    under.Split(kSmallVolume);
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    try {
      under.archive.AddFiles("*.*", kDefaultSearchAttr);
      ADD_FAILURE() << "a second AddFiles was taken";
    } catch (const EArchiveError& error) {
      EXPECT_STREQ(error.what(), "Multiple transactions are not supported for multi-volume archives - Native error: 00062");
    }
    under.archive.CloseArchive();
    EXPECT_EQ(SplitVolumePaths(under.path), Strings{under.path});
    EXPECT_EQ(test::ReadFile(under.path).size(), 22u);
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("empty"));
  }
}

TEST(Volumes, ALimitThatCannotHoldAHeaderIsRefused) {
  test::TempDir dir;
  MakeFile(dir, "data/a.bin", "content");
  for (const bool firstOnly : {false, true}) {
    SCOPED_TRACE(firstOnly ? "first volume of 10 bytes" : "custom size never assigned");
    ArchiveUnderTest under(dir, firstOnly ? "first.zip" : "never.zip");
    under.archive.SpanningOptions().SetVolumeSize(vsCustom);
    if (firstOnly) {
      under.archive.SpanningOptions().SetCustomVolumeSize(kSmallVolume);
      under.archive.SpanningOptions().SetFirstVolumeSize(10);
    }
    under.archive.SetSpanningMode(smSplitting);
    under.archive.OpenArchive(kCreateMode);
    try {
      under.archive.AddFiles("*.*", kDefaultSearchAttr);
      ADD_FAILURE() << "the archive was written";
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find("ArchivioTest: The volume size limit of "), std::string::npos)
          << error.what();
      EXPECT_NE(std::string(error.what()).find("cannot hold a record of 35 bytes"), std::string::npos) << error.what();
    }
    under.archive.CloseArchive();
    EXPECT_EQ(SplitVolumePaths(under.path), Strings{under.path}) << "no volumes without end";
    EXPECT_EQ(test::ReadFile(under.path).size(), 22u);
  }
}

// A drive with too little room, answered by the component's defaults and events.
class SmallDriveArchiver : public TArchiver {
 public:
  using TArchiver::TArchiver;
  std::function<std::optional<uint64_t>(const std::string&)> freeSpace;

 protected:
  std::optional<uint64_t> FreeSpace(const std::string& path) override { return freeSpace(path); }
};

TEST(Volumes, ADriveWith65536BytesOrLessFreeCancelsTheVolume) {
  test::TempDir dir;
  MakeFile(dir, "data/a.bin", testing::RandomBytes(200000, 6));
  test::MakeDirectories(dir.Path("out"));
  SmallDriveArchiver archive("ArchivioZorvel");
  archive.SetFileName(dir.Path("out/ZorvelData.zip"));
  archive.SetBaseDir(dir.Path("data"));
  archive.SpanningOptions().SetVolumeSize(vsCustom);
  archive.SpanningOptions().SetCustomVolumeSize(kSmallVolume);
  archive.SetSpanningMode(smSplitting);
  archive.freeSpace = [](const std::string&) { return uint64_t{65536}; };
  Strings diskFull;
  archive.OnDiskFull = [&](TBaseArchiver&, int32_t volume, const std::string& name, bool& cancel) {
    diskFull.push_back(std::to_string(volume) + " " + name + (cancel ? " cancel" : ""));
  };
  try {
    archive.OpenArchive(kCreateMode);
    ADD_FAILURE() << "opened";
  } catch (const EArchiveError& error) {
    EXPECT_STREQ(error.what(), "ArchivioZorvel: Cannot open archive file. Opening aborted or invalid file - Native error: 00045");
  }
  EXPECT_EQ(diskFull, Strings{"1 " + dir.Path("out/ZorvelData.Z01") + " cancel"});
  EXPECT_FALSE(os::FileExists(dir.Path("out/ZorvelData.Z01")));

  // Room for the first volume only: the entry cannot go on, the update is undone, and only the
  // empty archive remains.
  archive.freeSpace = [&](const std::string& path) {
    return path.find(".Z01") != std::string::npos ? uint64_t{1} << 30 : uint64_t{4096};
  };
  Strings requested;
  archive.OnRequestBlankVolume = [&](TBaseArchiver&, int32_t volume, std::string& name, bool&) {
    requested.push_back(std::to_string(volume) + " " + name);
  };
  Strings created;  // only volumes that were really made
  archive.OnVolumeCreated = [&](TBaseArchiver&, int32_t volume, const std::string& name) {
    created.push_back(std::to_string(volume) + " " + name);
  };
  Strings failures;
  archive.OnProcessFileFailure = [&](TBaseArchiver&, const std::string&, Operation, int32_t code, int32_t,
                                     const std::string&, FailureAction& action) {
    failures.push_back(std::to_string(code));
    action = FailureAction::Abort;
  };
  archive.OpenArchive(kCreateMode);
  EXPECT_NO_THROW(archive.AddFiles("*.*", kDefaultSearchAttr));
  archive.CloseArchive();
  EXPECT_EQ(failures, Strings{"45"});
  EXPECT_EQ(requested, (Strings{"1 " + dir.Path("out/ZorvelData.Z01"), "2 " + dir.Path("out/ZorvelData.Z02")}));
  EXPECT_EQ(created, Strings{"1 " + dir.Path("out/ZorvelData.Z01")});
  EXPECT_EQ(SplitVolumePaths(archive.FileName()), Strings{archive.FileName()});
  EXPECT_EQ(test::ReadFile(archive.FileName()).size(), 22u);
}

// A drive with plenty of room is asked about once or twice a volume, not for every record
// and chunk (a slow call under some systems); one that is nearly full is asked each time.
TEST(Volumes, APlentifulDriveIsNotAskedForEveryRecord) {
  test::TempDir dir;
  for (int i = 0; i < 200; ++i) MakeFile(dir, "data/f" + std::to_string(i) + ".txt", testing::TextBytes(3000, 'a' + i % 26));
  test::MakeDirectories(dir.Path("out"));
  for (const uint64_t drive : {uint64_t{1} << 40, uint64_t{1} << 20}) {
    SmallDriveArchiver archive("ArchivioZorvel");
    archive.SetFileName(dir.Path("out/d" + std::to_string(drive) + ".zip"));
    archive.SetBaseDir(dir.Path("data"));
    archive.SpanningOptions().SetVolumeSize(vsCustom);
    archive.SpanningOptions().SetCustomVolumeSize(kSmallVolume);
    archive.SetSpanningMode(smSplitting);
    int asked = 0;
    archive.freeSpace = [&](const std::string&) {
      ++asked;
      return drive;
    };
    archive.OpenArchive(kCreateMode);
    archive.AddFiles("*.*", kDefaultSearchAttr);
    archive.CloseArchive();
    const size_t volumes = SplitVolumePaths(archive.FileName()).size();
    EXPECT_GT(volumes, 2u);
    if (drive > (uint64_t{1} << 30)) {
      EXPECT_LE(asked, int(3 * volumes) + 2) << volumes << " volumes";
    } else {
      EXPECT_GT(asked, 400) << "every record of 200 files asked about";
    }
  }
}

TEST(Volumes, VolumeNamesTheHostChoosesAreUsed) {
  test::TempDir dir;
  MakeFile(dir, "data/a.bin", testing::RandomBytes(150000, 7));
  ArchiveUnderTest under(dir);
  under.archive.OnRequestBlankVolume = [&](TBaseArchiver&, int32_t volume, std::string& name, bool&) {
    if (volume == 2) name = dir.Path("out/second-part.bin");
  };
  under.Split(kSmallVolume);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  const Strings volumes{dir.Path("out/test.Z01"), dir.Path("out/second-part.bin"), under.path};
  for (const std::string& volume : volumes) EXPECT_TRUE(os::FileExists(volume)) << volume;
  EXPECT_FALSE(os::FileExists(dir.Path("out/test.Z02")));
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(testing::Contents(zip).at("a.bin"), testing::RandomBytes(150000, 7));
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("data")).VolumeSize(kSmallVolume));
}

// A source that fails after its data ran into later volumes: those volumes go, the volume it
// started in is cut back, and the next entry follows on as if it had never been there.
TEST(Volumes, AFailedEntryIsCutBackAcrossVolumes) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "first");
  MakeFile(dir, "data/big.bin", testing::RandomBytes(2500000, 8));
  MakeFile(dir, "data/c.txt", "last");
  test::MakeDirectories(dir.Path("expected"));
  MakeFile(dir, "expected/a.txt", "first");
  MakeFile(dir, "expected/c.txt", "last");
  ArchiveUnderTest under(dir);
  under.answer = FailureAction::Skip;
  under.archive.SetDeflateThreads(1);  // reads in step with the events, so the cut lands mid-file
  int chunk = 0;
  under.archive.OnFileProgress = [&](TBaseArchiver&, const std::string& name, double, Operation,
                                     ProgressPhase phase, bool&) {
    // The stored chunks are 1 MiB: cut the file before its second one is read.
    if (phase == ProgressPhase::Running && name.find("big.bin") != std::string::npos && ++chunk == 2) {
      auto file = os::File::Open(dir.Path("data/big.bin"), os::Access::Write, os::kShareAll,
                                 os::Disposition::OpenExisting);
      ASSERT_TRUE(file && file->Seek(100) && file->Truncate());
    }
  };
  const Strings volumes = PackSplit(under, kSmallVolume, true);
  ASSERT_EQ(under.failures.size(), 1u);
  EXPECT_NE(under.failures[0].find("Native error: 00034"), std::string::npos);
  EXPECT_EQ(volumes, Strings{under.path}) << "the volumes of the failed entry are gone";
  for (int n = 1; n <= 20; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "out/test.Z%02d", n);
    EXPECT_FALSE(os::FileExists(dir.Path(name))) << name;
  }
  test::ZipImage zip = testing::ReadSoundSplit(volumes);
  EXPECT_EQ(Names(zip), (Strings{"a.txt", "c.txt"}));
  test::KeepForPeers(volumes, test::PeerHandOff().Expect(dir.Path("expected")).VolumeSize(kSmallVolume));
}

// A closed volume removed under the writer (an antivirus taking it away while the next one is
// written): the update fails with an error that names the volume and why, closing the archive
// then is no crash, and none of the writer's files is left behind. The removed volume either
// holds the header of the big file still to be patched, or is found missing at the end.
TEST(Volumes, AVolumeRemovedUnderTheWriterIsAnErrorThatNamesIt) {
  struct Case {
    const char* before;  // a file that fills the first volume ahead of a.bin, or none
    int32_t removeAt;    // Z01 is removed when this volume is asked for
    const char* found;   // what the error says before the system's cause
  };
  for (const unsigned threads : {1u, 2u}) {
    for (const Case& each : {Case{"", 3, " ("}, Case{"0.txt", 4, " (a volume written earlier is gone: "}}) {
      SCOPED_TRACE(std::string(each.found) + ", threads " + std::to_string(threads));
      test::TempDir dir;
      MakeFile(dir, "data/a.bin", testing::RandomBytes(3 * kSmallVolume, 9));
      // Stored, so that exactly 5 bytes stay free in the first volume: a.bin starts the second.
      if (*each.before) MakeFile(dir, std::string("data/") + each.before, testing::RandomBytes(kSmallVolume - 40, 8));
      ArchiveUnderTest under(dir, "ZorvelData.zip");
      under.Split(kSmallVolume);
      under.archive.SetDeflateThreads(threads);
      if (*each.before) under.archive.SetCompressionMode(0);
      const std::string removed = dir.Path("out/ZorvelData.Z01");
      under.archive.OnRequestBlankVolume = [&](TBaseArchiver&, int32_t volume, std::string&, bool&) {
        if (volume == each.removeAt) {
          EXPECT_TRUE(os::RemoveFile(removed));
        }
      };
      under.archive.OpenArchive(kCreateMode);
      try {
        under.archive.AddFiles("*.*", kDefaultSearchAttr);
        ADD_FAILURE() << "the update went on without its first volume";
      } catch (const FileOpenError& error) {
        std::string cause = os::ErrorText(os::kErrorFileNotFound);
        cause.erase(cause.find_last_not_of(". ") + 1);
        EXPECT_EQ(error.what(), "Impossible d'ouvrir le fichier " + removed + each.found + cause + ")");
      }
      under.archive.CloseArchive();
      EXPECT_EQ(testing::FilesIn(dir.Path("out")), Strings{}) << "nothing of the writer's is left";
    }
  }
}

// With ReplaceExisting off, the writer writes over and deletes nothing it did not create: a file
// in the way of the archive, of a volume or of the last volume's final name is error 19 naming
// it (raised, or asked about when a volume is needed in the middle of an entry), and stays.
TEST(Volumes, WithoutReplacingAFileInTheWayIsAnErrorThatNamesIt) {
  for (const auto& [inTheWay, split, asked] : {std::tuple{"out/test.zip", false, false},
                                               std::tuple{"out/test.Z01", true, false},
                                               std::tuple{"out/test.Z02", true, true},
                                               std::tuple{"out/test.zip", true, false}}) {
    SCOPED_TRACE(std::string(inTheWay) + (split ? ", split" : ""));
    test::TempDir dir;
    MakeFile(dir, "data/a.bin", testing::RandomBytes(150000, 3));
    MakeFile(dir, inTheWay, "the customer's own");
    ArchiveUnderTest under(dir);
    if (split) under.Split(kSmallVolume);
    under.archive.SetReplaceExisting(false);
    const std::string expected = "ArchivioTest: Cannot create file \"" + dir.Path(inTheWay) +
                                 "\" - Native error: 00019 (a file of that name is already there)";
    try {
      under.archive.OpenArchive(kCreateMode);
      under.archive.AddFiles("*.*", kDefaultSearchAttr);
      EXPECT_TRUE(asked) << "went on over the file in the way";
      EXPECT_EQ(under.failures, Strings{expected});
      EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Aborted);
    } catch (const EArchiveError& error) {
      EXPECT_FALSE(asked);
      EXPECT_EQ(error.Code(), kErrorCannotCreateOutput);
      EXPECT_EQ(error.what(), expected);
    }
    under.archive.CloseArchive();
    EXPECT_EQ(test::ReadFile(dir.Path(inTheWay)), "the customer's own");
  }
}

// "Get Data" in small: split product archives, then one archive of all their volumes.
TEST(Volumes, ArchiveOfSplitArchivesHoldsEveryVolumeOnce) {
  test::TempDir dir;
  MakeFile(dir, "zorvel/Data/log.txt", testing::TextBytes(200000, 1));
  MakeFile(dir, "zorvel/Data/blob.bin", testing::RandomBytes(100000, 2));
  MakeFile(dir, "voyra/Data/x.bin", testing::RandomBytes(90000, 3));
  MakeFile(dir, "base/Quorix/Help.zip", "a help archive in a program folder");
  for (const auto& [name, data, advanced] : {std::tuple{"ZorvelData.zip", "zorvel/Data", false},
                                             std::tuple{"VYData.zip", "voyra/Data", true}}) {
    TArchiver product(advanced ? "ArchivioVY" : "ArchivioZorvel");
    product.SetFileName(dir.Path(std::string("base/") + name));
    product.SetBaseDir(dir.Path(data));
    product.SpanningOptions().SetVolumeSize(vsCustom);
    product.SpanningOptions().SetCustomVolumeSize(kSmallVolume);
    product.SpanningOptions().SetFirstVolumeSize(kSmallVolume);
    product.SpanningOptions().SetAdvancedNaming(advanced);
    product.SetSpanningMode(smSplitting);
    product.OpenArchive(kCreateMode);
    product.AddFiles("*.*", kDefaultSearchAttr);
    product.CloseArchive();
  }
  test::MakeDirectories(dir.Path("temp"));
  TArchiver total("ArchivioTotale");
  total.SetFileName(dir.Path("temp/Data.zip"));
  total.SetBaseDir(dir.Path("base"));
  total.OpenArchive(kCreateMode);
  total.AddFiles("*.z*", kDefaultSearchAttr);
  total.AddFiles("*.Z*", kDefaultSearchAttr);
  total.CloseArchive();
  // Every file of the base folder once (the volumes of both schemes), then the matching file of
  // the program folder below it.
  Strings expected;
  os::DirListing listing(dir.Path("base/*"));
  for (os::DirEntry entry; listing.Next(entry);)
    if (!(entry.attributes & os::kAttrDirectory)) expected.push_back(entry.name);
  expected.push_back("Quorix/Help.zip");
  test::ZipImage zip = testing::ReadSoundArchive(dir.Path("temp/Data.zip"));
  EXPECT_EQ(Names(zip), expected);
  EXPECT_GE(expected.size(), 6u);
  EXPECT_NE(std::find(expected.begin(), expected.end(), "VYData_001.zip"), expected.end());
  EXPECT_NE(std::find(expected.begin(), expected.end(), "ZorvelData.Z02"), expected.end());
  test::KeepForPeers({dir.Path("temp/Data.zip")}, test::PeerHandOff().Expect(dir.Path("base")));
}

}  // namespace
}  // namespace tavisto::zip
