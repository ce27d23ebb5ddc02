#include "report/file_lines.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/errors.h"
#include "os/os_error.h"
#include "tests/support/temp_dir.h"

namespace tavisto::report {
namespace {

os::File Create(const std::string& path) {
  auto file = os::File::Open(path, os::Access::Write, os::kShareNone, os::Disposition::CreateAlways);
  EXPECT_TRUE(file) << path << " error " << file.Error();
  return file ? std::move(*file) : os::File();
}

TEST(FileLines, WritesTheMemosTextWhenFlushed) {
  test::TempDir dir;
  const std::string path = dir.Path("Report.txt");
  os::File file = Create(path);
  FileLines lines(file, path);
  lines.Add("Zorvel");
  lines.Add("");
  lines.Add(std::string("a\0\0b", 4));  // a block of NULs in a log
  lines.Add("caf\xE9");                  // code-page bytes as they are
  EXPECT_EQ(file.Size(), 0) << "gathered, not yet written";
  EXPECT_EQ(lines.Taken(), 22u);
  lines.Flush();
  file.Close();
  EXPECT_EQ(test::ReadFile(path), "Zorvel\r\n\r\na  b\r\ncaf\xE9\r\n");
  EXPECT_EQ(lines.Written(), 22u);
  EXPECT_EQ(lines.Status(), "1 KB written");
}

TEST(FileLines, ABigReportGoesInBlocksWhileItIsAdded) {
  test::TempDir dir;
  const std::string path = dir.Path("Report.txt");
  os::File file = Create(path);
  FileLines lines(file, path);
  // One line larger than a block, NULs on either side of where blocks meet, then many short ones.
  std::string big(2500000, 'x');
  for (size_t at : {size_t{0}, size_t{1048575}, size_t{1048576}, size_t{2097150}, big.size() - 1}) big[at] = '\0';
  std::string expected = big + "\r\n";
  lines.Add(big);
  for (int i = 0; i < 40000; ++i) {
    const std::string line = "line " + std::to_string(i) + std::string(i % 7, '\0');
    lines.Add(line);
    expected += line + "\r\n";
  }
  EXPECT_GE(lines.Written(), 2u * 1024 * 1024) << "whole blocks are written as they fill";
  EXPECT_LT(lines.Taken() - lines.Written(), 1024u * 1024) << "at most a block is held";
  lines.Flush();
  file.Close();
  std::replace(expected.begin(), expected.end(), '\0', ' ');
  EXPECT_EQ(lines.Written(), expected.size());
  const std::string written = test::ReadFile(path);
  ASSERT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected) << "the file's bytes differ from the memo's text";
  EXPECT_EQ(lines.Status(), "2.9 MB written");
}

// A device that takes no byte, as a full disk does: /dev/full, which Wine reaches as Z:\dev\full.
TEST(FileLines, AFullDiskIsAWriteErrorNamingTheFileEveryTimeAfter) {
  const std::string path = test::Separator() == '\\' ? "Z:\\dev\\full" : "/dev/full";
  auto file = os::File::Open(path, os::Access::Write, os::kShareAll, os::Disposition::OpenExisting);
  if (!file) GTEST_SKIP() << path << " cannot be opened here (error " << file.Error() << ")";
  FileLines lines(*file, path);
  lines.Add("fits in the block");
  const std::string full = StreamWriteError(path, os::ErrorText(os::kErrorDiskFull)).what();
  try {
    lines.Flush();
    ADD_FAILURE() << "written to " << path;
  } catch (const StreamWriteError& error) {
    EXPECT_EQ(std::string(error.what()), full);
  }
  try {
    lines.Add("after it");
    ADD_FAILURE() << "a line taken after the failure";
  } catch (const StreamWriteError& error) {
    EXPECT_EQ(std::string(error.what()), full);
  }
  EXPECT_EQ(lines.Written(), 0u);
}

}  // namespace
}  // namespace tavisto::report
