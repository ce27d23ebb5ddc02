// Sources and archives near 4 GiB. The writer keeps 32-bit sizes and offsets: an entry that would
// need more (a source of 4 GiB or more, or one that would end beyond 4 GiB into the archive) is
// refused through the file-failure question and never written corrupt. Sparse files make the
// sources cheap; the archive goes through a stream that leaves holes where it writes zeros.
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

TEST(LargeSources, EntriesThatWouldNeedZip64AreRefusedAndTheArchiveStaysSound) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("data"));
  // Stored, so that the archive really grows to just below 4 GiB.
  const uint64_t nearly4GiB = k4GiB - 1000;
  MakeSparseFile(dir.Path("data/big1.bin"), nearly4GiB);
  MakeSparseFile(dir.Path("data/big2.bin"), k4GiB + 5);  // too large a source: refused unread
  testing::MakeFile(dir, "data/small.txt", testing::RandomBytes(2000));  // would end beyond 4 GiB
  ArchiveUnderTest under(dir, "large.zip");
  under.answer = FailureAction::Skip;
  under.archive.NoCompressionMasks().push_back("*.bin");
  SparseFileStream stream(under.path);
  under.archive.OpenArchive(stream, kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();

  ASSERT_EQ(under.failures.size(), 2u) << under.failures.front();
  EXPECT_EQ(under.failures[0], "ArchivioTest: Cannot compress file '" + dir.Path("data/big2.bin") +
                                   "'. Zip64 mode is not enabled - Native error: 00043");
  EXPECT_EQ(under.failures[1], "ArchivioTest: Cannot compress file '" + dir.Path("data/small.txt") +
                                   "'. Zip64 mode is not enabled - Native error: 00043");
  const test::ZipImage zip = test::ParseZipRecords(under.path);
  ASSERT_TRUE(zip.problems.empty()) << zip.problems.front();
  ASSERT_EQ(zip.entries.size(), 1u);
  const auto& big = zip.entries[0];
  EXPECT_EQ(big.central.name, "big1.bin");
  EXPECT_EQ(big.central.method, 0);
  EXPECT_EQ(big.central.compressedSize, nearly4GiB);
  EXPECT_EQ(big.central.uncompressedSize, nearly4GiB);
  EXPECT_EQ(big.local.compressedSize, nearly4GiB);
  // The skipped entry left nothing behind: the directory follows the one entry's data.
  EXPECT_EQ(zip.end.directoryOffset, big.local.dataOffset + nearly4GiB);
  EXPECT_LT(uint64_t(zip.end.directoryOffset), 0xFFFFFFFFULL);
  EXPECT_EQ(zip.end.totalEntries, 1);
  EXPECT_FALSE(zip.zip64End.has_value());
  // unzip, 7-Zip and zipfile check the CRC of the 4 GiB of data.
  test::KeepForPeers({under.path}, test::PeerHandOff().Move());
}

}  // namespace
}  // namespace tavisto::zip
