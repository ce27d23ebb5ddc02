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
  EXPECT_EQ(CopyCsLog(folder, out), "");
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

// What a tool writes is copied as far as it is text (UTF-16 too, with or without its mark) and
// within the limit; otherwise one line says what became of it, and the same words (with the
// tool's name) are what the call returns.
TEST(CopyToolList, CopiesTextWithinTheLimitAndNamesWhatItLeavesOut) {
  test::TempDir dir;
  const std::string path = dir.Path("tmp.txt");
  std::string binary, utf16;
  for (int i = 0; i < 2048; ++i) binary += static_cast<char>(i * 7 % 256);
  for (const char c : std::string("Name : ffdshow\r\n")) utf16 += {c, '\0'};
  const struct {
    std::string list;
    bool removeNuls;
    Lines lines;
    std::string problem;
  } cases[] = {
      {"a\r\nb\r\n", false, {"a", "b"}, ""},
      {std::string("\xFF\xFEx\0\r\0\n\0", 8), true, {"\xFF\xFEx", "\n"}, ""},
      {utf16, true, {"Name : ffdshow", "\n"}, ""},
      {binary, false, {"T.exe wrote a list that is not text (2,048 bytes): it is left out"},
       "T.exe wrote a list that is not text (2,048 bytes): it is left out"},
      {std::string(1500, 'x'), false, {std::string(1024, 'x'), "... list cut at 1 KB of 2 KB"},
       "T.exe: list cut at 1 KB of 2 KB"},
  };
  for (const auto& c : cases) {
    test::WriteFile(path, c.list);
    LineList out;
    EXPECT_EQ(CopyToolList(path, "T.exe", c.removeNuls, 1024, out), c.problem);
    EXPECT_EQ(out.lines, c.lines);
  }
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
