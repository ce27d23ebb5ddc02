// The entry count at which the end record runs out of room: 65535 entries bring the Zip64 end
// record and its locator, 65534 do not; the reader of received archives reads them all.
#include <gtest/gtest.h>

#include <cstdlib>

#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"
#include "zip/read/entry_data.h"

namespace tavisto::zip {
namespace {

TEST(ManyEntries, Zip64EndRecordsFrom65535Entries) {
  // 65535 empty files in 32 folders (the folders are entries too: 65503 files + 32 folders), made
  // once per test run for every build by tests/fixtures/many_files.py, which ctest runs first.
  const char* tree = std::getenv("TAVISTO_MANY_FILES");
  ASSERT_TRUE(tree && os::DirectoryExists(tree)) << "TAVISTO_MANY_FILES names no folder: run the test through ctest";
  test::TempDir dir;
  {
    // One left out by an exclusion: 65534 entries, no Zip64 records.
    testing::ArchiveUnderTest under(dir, "65534.zip");
    under.archive.SetBaseDir(tree);
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr, "f131\\10000");
    under.archive.CloseArchive();
    test::ZipImage zip = testing::ReadSoundArchive(under.path);
    EXPECT_EQ(zip.entries.size(), 65534u);
    EXPECT_FALSE(zip.zip64End.has_value());
    EXPECT_FALSE(zip.zip64Locator.has_value());
    EXPECT_EQ(zip.end.totalEntries, 65534);
    EXPECT_EQ(zip.end.entriesOnThisDisk, 65534);
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("65534"));
  }
  testing::ArchiveUnderTest under(dir, "65535.zip");
  under.archive.SetBaseDir(tree);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  ASSERT_EQ(zip.entries.size(), 65535u);
  EXPECT_EQ(zip.entries.front().central.name, "f100/");
  EXPECT_EQ(zip.entries[1].central.name, "f100/10000");
  EXPECT_EQ(zip.end.totalEntries, 0xFFFF);
  EXPECT_EQ(zip.end.entriesOnThisDisk, 0xFFFF);
  ASSERT_TRUE(zip.zip64End.has_value());
  ASSERT_TRUE(zip.zip64Locator.has_value());
  EXPECT_EQ(zip.zip64End->recordSize, 44u);
  EXPECT_EQ(zip.zip64End->totalEntries, 65535u);
  EXPECT_EQ(zip.zip64End->directorySize, zip.end.directorySize);
  EXPECT_EQ(zip.zip64End->directoryOffset, zip.end.directoryOffset);
  EXPECT_EQ(zip.zip64Locator->zip64EndOffset, zip.zip64End->offset);
  EXPECT_EQ(zip.zip64Locator->offset, zip.zip64End->offset + 56);
  EXPECT_EQ(zip.end.offset, zip.zip64Locator->offset + 20);
  EXPECT_EQ(zip.zip64End->offset, zip.end.directoryOffset + zip.end.directorySize);
  test::KeepForPeers({under.path}, test::PeerHandOff().Label("65535"));

  // The reader of received archives takes the count from the Zip64 end record, and every entry.
  const read::FileSource source(under.path);
  const read::PartSet parts({{"65535.zip", &source, 0}});
  const read::EndOfDirectory end = read::FindEndOfDirectory(source);
  EXPECT_TRUE(end.zip64);
  const read::CentralDirectory directory = read::ReadCentralDirectory(parts, end);
  ASSERT_EQ(directory.entries.size(), 65535u);
  EXPECT_EQ(directory.entries[1].name, "f100/10000");
  size_t refused = 0;
  for (const read::EntryPlace& place : read::PlaceEntries(parts, directory)) refused += !place.refusal.empty();
  EXPECT_EQ(refused, 0u);
}

}  // namespace
}  // namespace tavisto::zip
