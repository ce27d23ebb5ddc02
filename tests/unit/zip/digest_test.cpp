// The SHA-256 the writer computes as it reads each file, and the entries it reports as written:
// the digest of the file's own bytes whatever the chunking, the compression mode and the number
// of workers; entries in archive order with the fields of the archive's own records; the
// archive's bytes the same with digests on or off.
#include <gtest/gtest.h>

#include <optional>

#include "os/files.h"
#include "os/sha256.h"
#include "tests/unit/zip/zip_test_util.h"
#include "zip/archive_error.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;
using testing::MakeFile;
using Strings = std::vector<std::string>;

struct Written {
  std::string name;
  std::string source;
  bool folder = false;
  uint64_t size = 0;
  uint64_t compressedSize = 0;
  uint32_t crc = 0;
  uint16_t method = 0;
  std::optional<os::Sha256Digest> sha256;
  os::FileTime lastWrite;
};

std::vector<Written>& Record(TArchiver& archive, std::vector<Written>& into) {
  archive.OnEntryWritten = [&into](TBaseArchiver&, const TArcWrittenEntry& entry) {
    into.push_back(Written{entry.storedName, entry.source, entry.isFolder, entry.size, entry.compressedSize, entry.crc,
                           entry.method, entry.sha256, entry.lastWrite});
  };
  return into;
}

os::Sha256Digest Reference(const std::string& bytes) {
  os::Sha256 sha;
  sha.Update(bytes.data(), bytes.size());
  return sha.Finish();
}

// Sizes around every chunk size (512 KiB for mode 1, 1 MiB stored and for mode 6, 1.5 MiB for
// mode 9), an empty file, data that does not deflate, and a file stored by its mask.
void MakeChunkSizeTree(const test::TempDir& dir) {
  MakeFile(dir, "data/empty.txt", "");
  MakeFile(dir, "data/one.txt", "x");
  MakeFile(dir, "data/a/chunk.txt", testing::TextBytes(0x80000, 2));
  MakeFile(dir, "data/a/b/over.log", testing::TextBytes(0x180000 + 1, 3));
  MakeFile(dir, "data/a/noise.bin", testing::RandomBytes(0x100000 + 7, 4));
  MakeFile(dir, "data/stored.dat", testing::TextBytes(0x100000 * 2 + 5, 5));
  for (int i = 0; i < 30; ++i) MakeFile(dir, "data/many/f" + std::to_string(i) + ".txt", testing::TextBytes(200 + 97 * i, i));
}

TEST(Digests, EveryFileHasTheDigestOfItsOwnBytesInArchiveOrder) {
  test::TempDir dir;
  MakeChunkSizeTree(dir);
  for (const uint8_t mode : {uint8_t(0), uint8_t(1), uint8_t(9)}) {
    for (const unsigned threads : {1u, 2u, 4u}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", threads " + std::to_string(threads));
      ArchiveUnderTest under(dir, "m" + std::to_string(mode) + "t" + std::to_string(threads) + ".zip");
      std::vector<Written> written;
      Record(under.archive, written);
      under.archive.SetDigests(true);
      under.archive.SetCompressionMode(mode);
      under.archive.SetDeflateThreads(threads);
      under.archive.NoCompressionMasks().push_back("*.dat");
      under.archive.OpenArchive(kCreateMode);
      under.archive.AddFiles("*.*", kDefaultSearchAttr);
      under.archive.CloseArchive();
      EXPECT_TRUE(under.failures.empty());
      const test::ZipImage zip = testing::ReadSoundArchive(under.path);
      ASSERT_EQ(written.size(), zip.entries.size());
      for (size_t i = 0; i < written.size(); ++i) {
        const Written& entry = written[i];
        const auto& record = zip.entries[i].central;
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.name, record.name);
        EXPECT_EQ(entry.crc, record.crc);
        EXPECT_EQ(entry.size, record.uncompressedSize);
        EXPECT_EQ(entry.compressedSize, record.compressedSize);
        EXPECT_EQ(entry.method, record.method);
        EXPECT_EQ(entry.folder, entry.name.back() == '/');
        if (entry.folder) {
          EXPECT_FALSE(entry.sha256.has_value());
          continue;
        }
        EXPECT_EQ(entry.source, dir.Path("data/" + entry.name));
        EXPECT_EQ(entry.lastWrite, testing::kFixedTime);
        ASSERT_TRUE(entry.sha256.has_value());
        EXPECT_EQ(*entry.sha256, Reference(test::ReadFile(entry.source)));
      }
    }
  }
}

// Digests read nothing more and write nothing else: split archives of one tree, on one thread
// and on workers, are byte for byte the same with and without them.
TEST(Digests, TheArchiveIsTheSameWithOrWithout) {
  test::TempDir dir;
  MakeChunkSizeTree(dir);
  for (const unsigned threads : {1u, 2u}) {
    std::vector<Strings> results;
    for (const bool digests : {false, true}) {
      const std::string name = "d" + std::to_string(digests) + "t" + std::to_string(threads) + ".zip";
      ArchiveUnderTest under(dir, name);
      under.Split(300000);
      under.archive.SetDigests(digests);
      under.archive.SetDeflateThreads(threads);
      under.archive.OpenArchive(kCreateMode);
      under.archive.AddFiles("*.*", kDefaultSearchAttr);
      under.archive.CloseArchive();
      results.push_back(testing::MaskedFolderTimes(testing::SplitVolumePaths(under.path)));
    }
    EXPECT_TRUE(results[0] == results[1]) << "threads " << threads;
  }
}

// A file that vanished between the scan and its reading: tried again once it is back, it is
// reported once, with the digest of what was read; skipped, it is not reported and is left
// out with the cause in codes.
TEST(Digests, ARetriedFileIsReportedOnceAndASkippedOneNever) {
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    test::TempDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) MakeFile(dir, std::string("data/") + name, name);
    ArchiveUnderTest under(dir);
    std::vector<Written> written;
    Record(under.archive, written);
    under.archive.SetDigests(true);
    under.archive.SetDeflateThreads(threads);
    // Listed by the scan, gone before anything reads them.
    under.archive.OnConfirmProcessFile = [&](TBaseArchiver&, const std::string& path, Operation, bool&) {
      if (path == dir.Path("data/b.txt") || path == dir.Path("data/c.txt")) {
        EXPECT_TRUE(os::RemoveFile(path));
      }
    };
    under.archive.OnProcessFileFailure = [&](TBaseArchiver&, const std::string& path, Operation, int32_t, int32_t,
                                             const std::string&, FailureAction& action) {
      action = FailureAction::Skip;
      if (path != dir.Path("data/b.txt")) return;
      MakeFile(dir, "data/b.txt", "back again");
      action = FailureAction::Retry;
    };
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CloseArchive();
    Strings names;
    for (const Written& entry : written) names.push_back(entry.name);
    EXPECT_EQ(names, (Strings{"a.txt", "b.txt", "d.txt"}));
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[1].sha256, Reference("back again"));
    EXPECT_EQ(written[1].size, 10u);
    ASSERT_EQ(under.archive.LeftOut().size(), 1u);
    const LeftOutFile& gone = under.archive.LeftOut()[0];
    EXPECT_EQ(gone.path, dir.Path("data/c.txt"));
    EXPECT_EQ(gone.kind, LeftOutKind::File);
    EXPECT_EQ(gone.archiveError, kErrorCannotOpenSource);
    EXPECT_EQ(gone.systemError, os::kErrorFileNotFound);
  }
}

}  // namespace
}  // namespace tavisto::zip
