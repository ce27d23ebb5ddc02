#include "report/inventories.h"

#include <gtest/gtest.h>

#include "tests/support/folder_link.h"
#include "tests/support/temp_dir.h"

namespace tavisto::report {
namespace {

using Lines = std::vector<std::string>;

// root: .hidden.exe A.exe b.txt README sub\c.dll sub\deep\x.EXE
void MakeTree(const test::TempDir& dir) {
  test::MakeDirectories(dir.Path("root\\sub\\deep"));
  for (const char* file : {"root\\b.txt", "root\\A.exe", "root\\.hidden.exe", "root\\README", "root\\sub\\c.dll",
                           "root\\sub\\deep\\x.EXE"})
    test::WriteFile(dir.Path(file), "x");
}

Lines List(const std::string& folder, const std::string& mask) {
  LineList out;
  ListFiles(folder, mask, out);
  return out.lines;
}

TEST(ListFiles, GoesDepthFirstInListingOrderWithOneBackslashAfterTheFolder) {
  test::TempDir dir;
  MakeTree(dir);
  const std::string root = dir.Path("root");
  const Lines expected = {root + "\\.hidden.exe", root + "\\A.exe",           root + "\\b.txt",
                          root + "\\README",      root + "\\sub\\c.dll", root + "\\sub\\deep\\x.EXE"};
  EXPECT_EQ(List(root, "*.*"), expected);
  EXPECT_EQ(List(root + "\\", "*.*"), expected);
}

TEST(ListFiles, KeepsFilesWhoseExtensionPassesTheMask) {
  test::TempDir dir;
  MakeTree(dir);
  const std::string root = dir.Path("root");
  EXPECT_EQ(List(root, " *.EXE "),
            (Lines{root + "\\.hidden.exe", root + "\\A.exe", root + "\\README", root + "\\sub\\deep\\x.EXE"}));
}

// A folder that links back up the tree is not walked into: every file is listed once.
TEST(ListFiles, DoesNotWalkIntoLinkedFolders) {
  test::TempDir dir;
  MakeTree(dir);
  const std::string root = dir.Path("root");
  ASSERT_TRUE(test::MakeFolderLink(dir.Path("root\\sub\\up"), root));
  EXPECT_EQ(List(root, "*.*").size(), 6u);
}

TEST(ListFiles, AMissingFolderGivesNothing) {
  test::TempDir dir;
  EXPECT_EQ(List(dir.Path("absent"), "*.*"), Lines{});
}

Lines CsLog(const std::string& folder) {
  LineList out;
  CopyCsLog(folder, out);
  return out.lines;
}

TEST(CopyCsLog, CopiesTheLogByTheLineRules) {
  test::TempDir dir;
  test::WriteFile(dir.Path("CS.log"), "start\r\nlf\nonly\r\n\r\n\xE9t\xE9\r\nlast\x1A" "after Ctrl-Z\r\n");
  EXPECT_EQ(CsLog(dir.Root()), (Lines{"start", "lf\nonly", "", "\xE9t\xE9", "last"}));
}

TEST(CopyCsLog, NothingWithoutAFolderOrALog) {
  test::TempDir dir;
  EXPECT_EQ(CsLog(""), Lines{});
  EXPECT_EQ(CsLog(dir.Root()), Lines{});
  test::MakeDirectories(dir.Path("CS.log"));  // a folder of that name is not the log
  EXPECT_EQ(CsLog(dir.Root()), Lines{});
}

TEST(UnreadableFileLine, SaysWhichFileAndWhy) {
  const std::string line = UnreadableFileLine("C:\\Data\\CS.log", 32);
  EXPECT_EQ(line.rfind("C:\\Data\\CS.log could not be read", 0), 0u) << line;
  EXPECT_NE(line.find("(error 32)"), std::string::npos) << line;
  // The line goes into the report as it is: in the report's code page, whoever calls it.
  const std::string accented = UnreadableFileLine("C:\\Donn\xC3\xA9" "es\\tmp.txt", 32);
  EXPECT_EQ(accented.rfind("C:\\Donn\xE9" "es\\tmp.txt could not be read", 0), 0u) << accented;
}

}  // namespace
}  // namespace tavisto::report
