// Sources and archives past 4 GiB: sizes and offsets that do not fit 32 bits go into the Zip64
// fields, in plain archives and in split sets. Sparse files make the sources cheap; a plain
// archive goes through a stream that leaves holes where it writes zeros.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;

constexpr uint64_t k4GiB = 0x100000000ULL;

// A file stream that skips over runs of zeros instead of writing them, so the file stays sparse.
class SparseFileStream final : public ArchiveStream {
 public:
  explicit SparseFileStream(const std::string& path)
      : file_(*os::File::Open(path, os::Access::ReadWrite, os::kShareAll, os::Disposition::CreateAlways)) {}

  size_t Write(const void* data, size_t count) override {
    static const std::string zeros(1 << 20, '\0');
    const char* bytes = static_cast<const char*>(data);
    const bool allZero = count <= zeros.size() && std::memcmp(bytes, zeros.data(), count) == 0;
    if (!allZero && (!file_.Seek(position_) || file_.Write(bytes, count).value_or(0) != count)) return 0;
    position_ += static_cast<int64_t>(count);
    size_ = std::max(size_, position_);
    return count;
  }
  size_t Read(void* data, size_t count) override {
    Extend();
    if (!file_.Seek(position_)) return 0;
    const size_t got = file_.Read(data, count).value_or(0);
    position_ += static_cast<int64_t>(got);
    return got;
  }
  void Seek(int64_t position) override { position_ = position; }
  int64_t Position() const override { return position_; }
  int64_t Size() override { return size_; }
  void Truncate() override {
    size_ = position_;
    (void)(file_.Seek(size_) && file_.Truncate());
  }
  bool FlushBuffer() override {
    Extend();
    return true;
  }
  size_t PendingBytes() const override { return 0; }
  void FlushToDisk() override { Extend(); }
  bool IsFile() const override { return false; }
  std::string Name() const override { return {}; }

 private:
  // Gives the file its full length, holes included.
  void Extend() {
    if (file_.Size().value_or(0) < size_) (void)(file_.Seek(size_) && file_.Truncate());
  }
  os::File file_;
  int64_t position_ = 0;
  int64_t size_ = 0;
};

void MakeSparseFile(const std::string& path, uint64_t size) {
  auto file = os::File::Open(path, os::Access::Write, os::kShareAll, os::Disposition::CreateAlways);
  ASSERT_TRUE(file && file->Seek(static_cast<int64_t>(size)) && file->Truncate()) << path;
}

TEST(LargeSources, SizesAndOffsetsPast32BitsUseZip64) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("data"));
  // Stored, so that the archive really grows past 4 GiB: one entry of exactly 0xFFFFFFFF bytes,
  // one past 4 GiB, and a small deflated one that starts beyond 4 GiB into the archive.
  MakeSparseFile(dir.Path("data/big1.bin"), 0xFFFFFFFFULL);
  MakeSparseFile(dir.Path("data/big2.bin"), k4GiB + 5);
  testing::MakeFile(dir, "data/small.txt", testing::RandomBytes(2000));
  ArchiveUnderTest under(dir, "large.zip");
  under.archive.NoCompressionMasks().push_back("*.bin");
  SparseFileStream stream(under.path);
  under.archive.OpenArchive(stream, kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();

  EXPECT_TRUE(under.failures.empty()) << under.failures.front();
  const test::ZipImage zip = test::ParseZipRecords(under.path);
  ASSERT_TRUE(zip.problems.empty()) << zip.problems.front();
  ASSERT_EQ(zip.entries.size(), 3u);
  for (size_t i = 0; i < 2; ++i) {
    const auto& big = zip.entries[i];
    SCOPED_TRACE(big.central.name);
    const uint64_t size = i == 0 ? 0xFFFFFFFFULL : k4GiB + 5;
    EXPECT_EQ(big.central.versionNeeded, 45);
    EXPECT_EQ(big.local.versionNeeded, 45);
    EXPECT_EQ(big.local.extraLength, 20) << "both sizes in the local header's Zip64 field";
    EXPECT_EQ(big.local.uncompressed, size);
    EXPECT_EQ(big.local.compressed, size);
    EXPECT_EQ(big.central.uncompressedSize, 0xFFFFFFFFu);
    EXPECT_EQ(big.central.uncompressed, size);
    EXPECT_EQ(big.central.compressed, size);
  }
  const auto& small = zip.entries[2];
  EXPECT_EQ(small.central.name, "small.txt");
  EXPECT_EQ(small.central.method, 8);
  EXPECT_EQ(small.local.extraLength, 0) << "sizes that fit need no local Zip64 field";
  EXPECT_EQ(small.central.versionNeeded, 45);
  EXPECT_EQ(small.central.localHeaderOffset, 0xFFFFFFFFu);
  EXPECT_GT(small.central.headerOffset, k4GiB);
  EXPECT_EQ(small.central.extra.size(), 12u) << "only the offset in the central Zip64 field";
  ASSERT_TRUE(zip.zip64End.has_value());
  EXPECT_EQ(zip.end.directoryOffset, 0xFFFFFFFFu);
  EXPECT_GT(zip.zip64End->directoryOffset, k4GiB);
  EXPECT_EQ(zip.zip64End->totalEntries, 3u);
  EXPECT_EQ(zip.end.totalEntries, 3) << "the count still fits";
  // 7-Zip and zipfile check the CRC of every byte, unzip that of the small entry and the big ones'
  // sizes and CRCs in its listing; 7-Zip's listing is compared with the sources' sizes and CRCs.
  test::KeepForPeers({under.path}, test::PeerHandOff().Move().Expect(dir.Path("data")));
}

// A split set with an entry past 4 GiB, in volumes of 1 GiB: 7-Zip reads it.
TEST(LargeSources, SplitSetWithAZip64Entry) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("data"));
  MakeSparseFile(dir.Path("data/big.bin"), k4GiB + 1000);
  testing::MakeFile(dir, "data/z.txt", testing::TextBytes(5000));
  ArchiveUnderTest under(dir, "split.zip");
  under.Split(int64_t(1) << 30);
  under.archive.NoCompressionMasks().push_back("*.bin");
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  EXPECT_TRUE(under.failures.empty()) << under.failures.front();
  const std::vector<std::string> volumes = testing::SplitVolumePaths(under.path);
  ASSERT_EQ(volumes.size(), 5u);
  // The records of the last volume: the central directory and the end records.
  std::vector<std::string> tails;
  for (const std::string& volume : volumes) tails.push_back(volume == volumes.back() ? test::ReadFile(volume) : "");
  test::KeepForPeers(volumes, test::PeerHandOff().Move().Expect(dir.Path("data")).WithoutInfoZipJoin());
  const test::ZipImage zip = test::ParseSplitZip(tails);
  ASSERT_EQ(zip.entries.size(), 2u);
  EXPECT_EQ(zip.entries[0].central.uncompressed, k4GiB + 1000);
  EXPECT_EQ(zip.entries[0].central.versionNeeded, 45);
  EXPECT_EQ(zip.entries[1].central.headerDisk, 4u);
}

}  // namespace
}  // namespace tavisto::zip
