#include "os/files.h"

#include <gtest/gtest.h>

#include <map>

#include "os/dir_listing.h"
#include "os/disk_space.h"
#include "os/os_error.h"
#include "os/temp_file.h"
#include "tests/support/temp_dir.h"
#ifdef _WIN32
#include "os/win32/wide.h"
#endif

namespace tavisto::os {
namespace {

using test::TempDir;

File OpenOrFail(const std::string& path, Access access, Disposition disposition) {
  auto file = File::Open(path, access, kShareAll, disposition);
  EXPECT_TRUE(file.has_value()) << path << " error " << file.Error();
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
  const auto missing = File::Open(dir.Path("missing.txt"), Access::Read, kShareAll, Disposition::OpenExisting);
  EXPECT_FALSE(missing);
  (void)FileExists(dir.Root());  // a later call does not change what the result says
  EXPECT_EQ(missing.Error(), kErrorFileNotFound);
  // A folder is not a file; nor is a read-only file open for writing.
  const auto folder = File::Open(dir.Root(), Access::Read, kShareAll, Disposition::OpenExisting);
  EXPECT_FALSE(folder);
  EXPECT_EQ(folder.Error(), kErrorAccessDenied);
  test::WriteFile(dir.Path("ro.txt"), "x");
  ASSERT_TRUE(ChangeAttributes(dir.Path("ro.txt"), kAttrReadOnly));
  EXPECT_EQ(File::Open(dir.Path("ro.txt"), Access::Write, kShareAll, Disposition::OpenExisting).Error(),
            kErrorAccessDenied);
  ASSERT_TRUE(File::Open(dir.Path("ro.txt"), Access::Read, kShareAll, Disposition::OpenExisting));
  ASSERT_TRUE(ChangeAttributes(dir.Path("ro.txt"), kAttrArchive));
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

TEST(Paths, MoveOverReplacesAFileButNeverAFolderOrAReadOnlyFile) {
  TempDir dir;
  test::WriteFile(dir.Path("new.txt"), "new");
  test::WriteFile(dir.Path("old.txt"), "old");
  ASSERT_TRUE(MoveOver(dir.Path("new.txt"), dir.Path("old.txt")));
  EXPECT_EQ(test::ReadFile(dir.Path("old.txt")), "new");
  EXPECT_FALSE(FileExists(dir.Path("new.txt")));

  test::WriteFile(dir.Path("new.txt"), "newer");
  test::MakeDirectories(dir.Path("folder"));
  ASSERT_TRUE(ChangeAttributes(dir.Path("old.txt"), kAttrReadOnly));
  for (const char* target : {"folder", "old.txt"}) {
    EXPECT_FALSE(MoveOver(dir.Path("new.txt"), dir.Path(target))) << target;
    EXPECT_EQ(LastErrorCode(), kErrorAccessDenied) << target;
  }
  ASSERT_TRUE(ChangeAttributes(dir.Path("old.txt"), kAttrArchive));
  EXPECT_EQ(test::ReadFile(dir.Path("old.txt")), "new");
  EXPECT_TRUE(DirectoryExists(dir.Path("folder")));
  EXPECT_EQ(test::ReadFile(dir.Path("new.txt")), "newer");
}

TEST(Paths, BackslashesAreSeparatorsEverywhere) {
  TempDir dir;
  test::MakeDirectories(dir.Path("x/y"));
  test::WriteFile(dir.Root() + "\\x\\y\\z.txt", "z");
  EXPECT_TRUE(FileExists(dir.Root() + "/x/y/z.txt"));
  EXPECT_TRUE(DirectoryExists(dir.Root() + "\\x\\y"));
}

// A folder path past MAX_PATH: every service takes it like a short one.
TEST(Paths, LongerThanMaxPathWorkLikeAnyOther) {
  TempDir dir;
  std::string folder = dir.Root();
  for (char c = 'a'; folder.size() <= 300; ++c) folder += test::Separator() + std::string(40, c);
  test::MakeDirectories(folder + "\\sub");
  const std::string file = folder + test::Separator() + "data.txt";
  test::WriteFile(file, "deep");

  EXPECT_EQ(test::ReadFile(file), "deep");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(DirectoryExists(folder));
  // "." and ".." steps still mean what they say in a long path.
  EXPECT_TRUE(FileExists(folder + "\\.\\sub\\..\\data.txt"));
  {
    DirListing listing(folder + "\\*.txt");
    DirEntry entry;
    ASSERT_TRUE(listing.Next(entry)) << listing.Error();
    EXPECT_EQ(entry.name, "data.txt");
    EXPECT_EQ(entry.size, 4u);
  }

  {
    // A scratch file lives while it is open and leaves nothing behind.
    auto scratch = CreateScratchFile(folder, "FC");
    ASSERT_TRUE(scratch) << scratch.Error();
    EXPECT_EQ(scratch->Write("tail", 4), 4u);
    char back[4] = {};
    ASSERT_TRUE(scratch->Seek(0));
    EXPECT_EQ(scratch->Read(back, 4), 4u);
    EXPECT_EQ(std::string(back, 4), "tail");
  }
  DirListing scratchLeft(folder + "\\FC*");
  DirEntry left;
  EXPECT_FALSE(scratchLeft.Next(left)) << left.name;
  EXPECT_TRUE(FreeDiskSpace(file).has_value());
  ASSERT_TRUE(RenameFile(file, folder + "\\moved.txt"));
  EXPECT_TRUE(RemoveFile(folder + "\\moved.txt"));
  EXPECT_TRUE(RemoveFolder(folder + "\\sub"));
  EXPECT_TRUE(RemoveFolder(folder));
}

// Names outside the code page are found, listed and read as themselves; a name that the code
// page would turn into another one (the Greek capital omega into "O") stays a file of its own.
TEST(Paths, NamesOutsideTheCodePageAreFilesOfTheirOwn) {
  TempDir dir;
  const std::map<std::string, std::string> files = {
      {"Omega.txt", "latin"},
      {"\xCE\xA9mega.txt", "greek"},                 // Omega
      {"\xE6\x97\xA5\xE6\x9C\xAC.txt", "cjk"},        // two CJK ideographs
      {"\xF0\x9F\x98\x80.txt", "emoji"},              // outside the basic plane
  };
  for (const auto& [name, content] : files) test::WriteFile(dir.Path(name), content);
  std::map<std::string, std::string> listed;
  DirListing listing(dir.Root() + "\\*.txt");
  for (DirEntry entry; listing.Next(entry);) listed[entry.name] = test::ReadFile(dir.Path(entry.name));
  EXPECT_EQ(listed, files);
  EXPECT_EQ(listing.Error(), kErrorSuccess);
}

// Names another system gave, ending in a dot or a space (a folder's too), are files of their own:
// created, found, listed, read and removed under exactly those names.
TEST(Paths, NamesEndingInADotOrASpaceKeepThem) {
  TempDir dir;
  test::MakeDirectories(dir.Path("folder."));
  const std::vector<std::string> names = {"dot.", "space ", "folder.\\inside. ", "plain"};
  for (const std::string& name : names) test::WriteFile(dir.Path(name), name);
  for (const std::string& name : names) {
    EXPECT_TRUE(FileExists(dir.Path(name))) << name;
    EXPECT_EQ(FileAttributes(dir.Path(name)) & kAttrDirectory, 0u) << name;
    EXPECT_EQ(test::ReadFile(dir.Path(name)), name);
  }
  std::vector<std::string> listed;
  for (const std::string& pattern : {dir.Path("*"), dir.Path("folder.\\*")}) {
    DirListing listing(pattern);
    for (DirEntry entry; listing.Next(entry);)
      if (entry.name != "." && entry.name != "..") listed.push_back(entry.name);
    EXPECT_EQ(listing.Error(), kErrorSuccess);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"dot.", "folder.", "plain", "space ", "inside. "}));
  for (const std::string& name : names) EXPECT_TRUE(RemoveFile(dir.Path(name))) << name;
  EXPECT_TRUE(RemoveFolder(dir.Path("folder.")));
}

#ifdef _WIN32
// What the system hands back in the extended form is given on as people write paths: a mail
// program takes \\server\share\..., never UNC\server\....
TEST(WithoutExtendedPrefix, GivesDrivePathsAndNetworkPathsAsWritten) {
  EXPECT_EQ(win32::WithoutExtendedPrefix("\\\\?\\C:\\Data\\x.zip"), "C:\\Data\\x.zip");
  EXPECT_EQ(win32::WithoutExtendedPrefix("\\\\?\\UNC\\server\\share\\x.zip"), "\\\\server\\share\\x.zip");
  EXPECT_EQ(win32::WithoutExtendedPrefix("C:\\Data"), "C:\\Data");
}
#endif

}  // namespace
}  // namespace tavisto::os
