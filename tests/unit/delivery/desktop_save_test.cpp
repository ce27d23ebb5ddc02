#include "delivery/desktop_save.h"

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "os/files.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 251) & 0xFF);
  return bytes;
}

TEST(SaveMemoText, EveryLineEndsWithCrLf) {
  TempDir dir;
  const std::string path = dir.Path("Analysis Result.txt");
  SaveMemoText("Tavisto: \t\t1.6.4.0\r\nline with a lone\nline feed\r\n", path);
  EXPECT_EQ(ReadFile(path), "Tavisto: \t\t1.6.4.0\r\nline with a lone\nline feed\r\n");
  // A text the user left without a final line break gets one; the old content is replaced.
  SaveMemoText("edited by the user", path);
  EXPECT_EQ(ReadFile(path), "edited by the user\r\n");
  SaveMemoText("", path);
  EXPECT_EQ(ReadFile(path), "");
}

TEST(SaveMemoText, AFileThatCannotBeCreatedIsNamedInTheError) {
  TempDir dir;
  const std::string path = dir.Path("missing folder/Analysis Result.txt");
  try {
    SaveMemoText("x", path);
    FAIL() << "no error";
  } catch (const FileCreateError& error) {
    EXPECT_EQ(std::string(error.what()), "Impossible de cr\xC3\xA9" "er le fichier " + path);
  }
}

TEST(CopyFileChunked, CopiesWholeFilesOfAnySize) {
  TempDir dir;
  // Around the 8192-byte piece: an exact multiple ends on the final empty read.
  for (size_t size : {size_t(0), size_t(1), size_t(8191), size_t(8192), size_t(16384), size_t(16389)}) {
    const std::string content = Pattern(size);
    WriteFile(dir.Path("source.zip"), content);
    CopyFileChunked(dir.Path("source.zip"), dir.Path("copy.zip"));
    EXPECT_EQ(ReadFile(dir.Path("copy.zip")), content) << size << " bytes";
  }
}

TEST(CopyFileChunked, AFolderReceivesTheCopyAndMissingFoldersAreCreated) {
  TempDir dir;
  WriteFile(dir.Path("Data.zip"), "zip bytes");
  test::MakeDirectories(dir.Path("Desktop/Data.zip"));
  CopyFileChunked(dir.Path("Data.zip"), dir.Path("Desktop/Data.zip"));
  EXPECT_EQ(ReadFile(dir.Path("Desktop/Data.zip/Data.zip")), "zip bytes");

  CopyFileChunked(dir.Path("Data.zip"), dir.Path("new/deeper/Data.zip"));
  EXPECT_EQ(ReadFile(dir.Path("new/deeper/Data.zip")), "zip bytes");
}

TEST(CopyFileChunked, KeepsTheSourceDateToTwoSeconds) {
  TempDir dir;
  WriteFile(dir.Path("Data.zip"), "x");
  const os::FileTime odd{133000000000000000LL + 10000000LL};  // an odd second
  {
    auto source = os::File::Open(dir.Path("Data.zip"), os::Access::ReadWrite, os::kShareAll,
                                 os::Disposition::OpenExisting);
    ASSERT_TRUE(source && source->SetLastWriteTime(odd));
  }
  CopyFileChunked(dir.Path("Data.zip"), dir.Path("copy.zip"));
  auto copy = os::File::Open(dir.Path("copy.zip"), os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
  ASSERT_TRUE(copy);
  const auto copied = copy->LastWriteTime();
  ASSERT_TRUE(copied);
  EXPECT_EQ(os::LocalDosDateTime(*copied), os::LocalDosDateTime(odd));
  EXPECT_LE(std::llabs(copied->ticks - odd.ticks), 20000000LL);
}

TEST(CopyFileChunked, FailuresNameTheFileAndLeaveReadOnlyFilesAlone) {
  TempDir dir;
  try {
    CopyFileChunked(dir.Path("absent.zip"), dir.Path("copy.zip"));
    FAIL() << "no error";
  } catch (const FileOpenError& error) {
    EXPECT_EQ(std::string(error.what()), "Impossible d'ouvrir le fichier " + dir.Path("absent.zip"));
  }
  EXPECT_FALSE(os::FileExists(dir.Path("copy.zip")));

  WriteFile(dir.Path("Data.zip"), "new");
  WriteFile(dir.Path("locked.zip"), "old");
  ASSERT_TRUE(os::ChangeAttributes(dir.Path("locked.zip"), os::kAttrReadOnly));
  try {
    CopyFileChunked(dir.Path("Data.zip"), dir.Path("locked.zip"));
    FAIL() << "a read-only destination was replaced";
  } catch (const FileCreateError& error) {
    EXPECT_EQ(std::string(error.what()), "Impossible de cr\xC3\xA9" "er le fichier " + dir.Path("locked.zip"));
  }
  EXPECT_EQ(ReadFile(dir.Path("locked.zip")), "old");
  ASSERT_TRUE(os::ChangeAttributes(dir.Path("locked.zip"), os::kAttrArchive));
}

// Asks to stop once it has seen the given share of the copy.
class StopAt final : public os::ProgressSink {
 public:
  explicit StopAt(double share) : share_(share) {}
  void BeginStage(const std::string&) override {}
  void Describe(const std::string&) override {}
  void Advance(double fraction, const std::string&) override { seen = fraction; }
  bool StopRequested() override { return seen >= share_; }
  double seen = 0;

 private:
  double share_;
};

TEST(CopyFileChunked, AStoppedCopyLeavesNoPartialFile) {
  TempDir dir;
  const std::string content = Pattern(10 * 8192 + 5);
  WriteFile(dir.Path("Data.zip"), content);
  StopAt halfway(0.5);
  EXPECT_THROW(CopyFileChunked(dir.Path("Data.zip"), dir.Path("Desktop/Data.zip"), &halfway), os::Cancelled);
  EXPECT_GE(halfway.seen, 0.5);
  EXPECT_LT(halfway.seen, 1.0);
  EXPECT_FALSE(os::FileExists(dir.Path("Desktop/Data.zip")));
  EXPECT_EQ(ReadFile(dir.Path("Data.zip")), content);

  StopAt never(2.0);
  CopyFileChunked(dir.Path("Data.zip"), dir.Path("Desktop/Data.zip"), &never);
  EXPECT_EQ(never.seen, 1.0);
  EXPECT_EQ(ReadFile(dir.Path("Desktop/Data.zip")), content);
}

}  // namespace
}  // namespace tavisto::delivery
