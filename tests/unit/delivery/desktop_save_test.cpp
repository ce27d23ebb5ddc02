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

// Writes text as Save Result does into a new file at path; its content.
std::string Saved(const std::string& text, const std::string& path) {
  {
    auto file = os::File::Open(path, os::Access::Write, os::kShareNone, os::Disposition::CreateAlways);
    EXPECT_TRUE(file);
    WriteMemoText(text, *file, path);
  }
  return ReadFile(path);
}

TEST(WriteMemoText, EveryLineEndsWithCrLf) {
  TempDir dir;
  const std::string path = dir.Path("Analysis Result.txt");
  EXPECT_EQ(Saved("Tavisto: \t\t1.6.4.0\r\nline with a lone\nline feed\r\n", path),
            "Tavisto: \t\t1.6.4.0\r\nline with a lone\nline feed\r\n");
  // A text the user left without a final line break gets one.
  EXPECT_EQ(Saved("edited by the user", path), "edited by the user\r\n");
  EXPECT_EQ(Saved("", path), "");
}

// Copies source into a new file at destination as Save Data does.
void CopyInto(const std::string& source, const std::string& destination, os::ProgressSink* progress = nullptr) {
  auto output = os::File::Open(destination, os::Access::Write, os::kShareNone, os::Disposition::CreateAlways);
  ASSERT_TRUE(output);
  CopyFileInto(source, *output, destination, progress);
}

TEST(CopyFileInto, CopiesWholeFilesOfAnySize) {
  TempDir dir;
  // Around the 8192-byte piece: an exact multiple ends on the final empty read.
  for (size_t size : {size_t(0), size_t(1), size_t(8191), size_t(8192), size_t(16384), size_t(16389)}) {
    const std::string content = Pattern(size);
    WriteFile(dir.Path("source.zip"), content);
    CopyInto(dir.Path("source.zip"), dir.Path("copy.zip"));
    EXPECT_EQ(ReadFile(dir.Path("copy.zip")), content) << size << " bytes";
  }
}

TEST(CopyFileInto, KeepsTheSourceDateToTwoSeconds) {
  TempDir dir;
  WriteFile(dir.Path("Data.zip"), "x");
  const os::FileTime odd{133000000000000000LL + 10000000LL};  // an odd second
  {
    auto source = os::File::Open(dir.Path("Data.zip"), os::Access::ReadWrite, os::kShareAll,
                                 os::Disposition::OpenExisting);
    ASSERT_TRUE(source && source->SetLastWriteTime(odd));
  }
  CopyInto(dir.Path("Data.zip"), dir.Path("copy.zip"));
  auto copy = os::File::Open(dir.Path("copy.zip"), os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
  ASSERT_TRUE(copy);
  const auto copied = copy->LastWriteTime();
  ASSERT_TRUE(copied);
  EXPECT_EQ(os::LocalDosDateTime(*copied), os::LocalDosDateTime(odd));
  EXPECT_LE(std::llabs(copied->ticks - odd.ticks), 20000000LL);
}

TEST(CopyFileInto, ASourceThatCannotBeOpenedIsNamed) {
  TempDir dir;
  try {
    CopyInto(dir.Path("absent.zip"), dir.Path("copy.zip"));
    FAIL() << "no error";
  } catch (const FileOpenError& error) {
    EXPECT_EQ(std::string(error.what()), "Impossible d'ouvrir le fichier " + dir.Path("absent.zip"));
  }
  EXPECT_EQ(ReadFile(dir.Path("copy.zip")), "");
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

TEST(CopyFileInto, StopsWhenAskedAndReportsTheShareCopied) {
  TempDir dir;
  const std::string content = Pattern(10 * 8192 + 5);
  WriteFile(dir.Path("Data.zip"), content);
  StopAt halfway(0.5);
  EXPECT_THROW(CopyInto(dir.Path("Data.zip"), dir.Path("copy.zip"), &halfway), os::Cancelled);
  EXPECT_GE(halfway.seen, 0.5);
  EXPECT_LT(halfway.seen, 1.0);
  EXPECT_EQ(ReadFile(dir.Path("Data.zip")), content);

  StopAt never(2.0);
  CopyInto(dir.Path("Data.zip"), dir.Path("copy.zip"), &never);
  EXPECT_EQ(never.seen, 1.0);
  EXPECT_EQ(ReadFile(dir.Path("copy.zip")), content);
}

}  // namespace
}  // namespace tavisto::delivery
