#include "os/files.h"

#include <gtest/gtest.h>

#include "os/os_error.h"
#include "tests/support/temp_dir.h"

namespace tavisto::os {
namespace {

using test::TempDir;

File OpenOrFail(const std::string& path, Access access, Disposition disposition) {
  auto file = File::Open(path, access, kShareAll, disposition);
  EXPECT_TRUE(file.has_value()) << path << " error " << LastErrorCode();
  return file ? std::move(*file) : File();
}

TEST(File, WritesReadsSeeksAndTruncates) {
  TempDir dir;
  File file = OpenOrFail(dir.Path("data.bin"), Access::ReadWrite, Disposition::CreateAlways);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Write("0123456789", 10), 10u);
  EXPECT_EQ(file.Size(), 10);
  ASSERT_TRUE(file.Seek(4));
  char middle[3] = {};
  EXPECT_EQ(file.Read(middle, 3), 3u);
  EXPECT_EQ(std::string(middle, 3), "456");
  EXPECT_EQ(file.Position(), 7);
  ASSERT_TRUE(file.Seek(6));
  ASSERT_TRUE(file.Truncate());
  EXPECT_EQ(file.Size(), 6);
  ASSERT_TRUE(file.SeekToEnd());
  EXPECT_EQ(file.Position(), 6);
  char rest[4];
  EXPECT_EQ(file.Read(rest, sizeof rest), 0u);  // at the end
  file.Close();
  EXPECT_EQ(test::ReadFile(dir.Path("data.bin")), "012345");
}

TEST(File, CreateAlwaysEmptiesAndOpenAlwaysKeeps) {
  TempDir dir;
  test::WriteFile(dir.Path("f.txt"), "old content");
  { File kept = OpenOrFail(dir.Path("f.txt"), Access::ReadWrite, Disposition::OpenAlways);
    EXPECT_EQ(kept.Size(), 11); }
  { File emptied = OpenOrFail(dir.Path("f.txt"), Access::Write, Disposition::CreateAlways);
    EXPECT_EQ(emptied.Size(), 0); }
}

TEST(File, OpenFailuresReportWhy) {
  TempDir dir;
  EXPECT_FALSE(File::Open(dir.Path("missing.txt"), Access::Read, kShareAll, Disposition::OpenExisting));
  EXPECT_EQ(LastErrorCode(), kErrorFileNotFound);
  // A folder is not a file.
  EXPECT_FALSE(File::Open(dir.Root(), Access::Read, kShareAll, Disposition::OpenExisting));
}

TEST(File, LastWriteTimeCanBeSetAndReadBack) {
  TempDir dir;
  File file = OpenOrFail(dir.Path("t.txt"), Access::ReadWrite, Disposition::CreateAlways);
  const FileTime when{132000000000000000LL};  // 2019-04-14
  ASSERT_TRUE(file.SetLastWriteTime(when));
  EXPECT_EQ(file.LastWriteTime(), when);
}

TEST(Paths, ExistenceAttributesRenameAndRemove) {
  TempDir dir;
  test::WriteFile(dir.Path("a.txt"), "a");
  test::WriteFile(dir.Path("b.txt"), "b");
  test::MakeDirectories(dir.Path("sub"));

  EXPECT_TRUE(FileExists(dir.Path("a.txt")));
  EXPECT_FALSE(FileExists(dir.Path("sub")));
  EXPECT_TRUE(DirectoryExists(dir.Path("sub")));
  EXPECT_FALSE(DirectoryExists(dir.Path("a.txt")));
  EXPECT_EQ(FileAttributes(dir.Path("nothing")), kInvalidAttributes);
  EXPECT_TRUE(FileAttributes(dir.Path("sub")) & kAttrDirectory);

  ASSERT_TRUE(ChangeAttributes(dir.Path("a.txt"), kAttrReadOnly));
  EXPECT_TRUE(FileAttributes(dir.Path("a.txt")) & kAttrReadOnly);
  ASSERT_TRUE(ChangeAttributes(dir.Path("a.txt"), kAttrArchive));
  EXPECT_FALSE(FileAttributes(dir.Path("a.txt")) & kAttrReadOnly);

  // A move never replaces an existing file.
  EXPECT_FALSE(RenameFile(dir.Path("a.txt"), dir.Path("b.txt")));
  EXPECT_EQ(test::ReadFile(dir.Path("b.txt")), "b");
  EXPECT_TRUE(RenameFile(dir.Path("a.txt"), dir.Path("c.txt")));
  EXPECT_FALSE(FileExists(dir.Path("a.txt")));

  EXPECT_FALSE(RemoveFile(dir.Path("sub")));  // folders are not removed as files
  EXPECT_TRUE(RemoveFile(dir.Path("c.txt")));
  EXPECT_FALSE(RemoveFile(dir.Path("c.txt")));
  EXPECT_TRUE(RemoveFolder(dir.Path("sub")));
}

TEST(Paths, BackslashesAreSeparatorsEverywhere) {
  TempDir dir;
  test::MakeDirectories(dir.Path("x/y"));
  test::WriteFile(dir.Root() + "\\x\\y\\z.txt", "z");
  EXPECT_TRUE(FileExists(dir.Root() + "/x/y/z.txt"));
  EXPECT_TRUE(DirectoryExists(dir.Root() + "\\x\\y"));
}

}  // namespace
}  // namespace tavisto::os
