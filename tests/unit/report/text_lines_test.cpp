#include "report/text_lines.h"

#include <gtest/gtest.h>

#include "os/files.h"
#include "os/os_error.h"
#include "tests/support/temp_dir.h"

namespace tavisto::report {
namespace {

std::vector<std::string> Split(const std::vector<std::string>& pieces) {
  std::vector<std::string> lines;
  const LineHandler add = [&](const std::string& line) { lines.push_back(line); };
  LineSplitter splitter;
  for (const std::string& piece : pieces) splitter.Feed(piece, add);
  splitter.Finish(add);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineSplitter, EndsLinesAtCarriageReturnsAndSkipsOneLineFeedAfterThem) {
  EXPECT_EQ(Split({"one\r\ntwo\r\n"}), (Lines{"one", "two"}));
  EXPECT_EQ(Split({"one\rtwo"}), (Lines{"one", "two"}));
  EXPECT_EQ(Split({"a\r\r\nb"}), (Lines{"a", "", "b"}));
  EXPECT_EQ(Split({"\r\n\r\n"}), (Lines{"", ""}));
  // Only one line feed belongs to the carriage return; a second one starts the next line.
  EXPECT_EQ(Split({"a\r\n\nb\r\n"}), (Lines{"a", "\nb"}));
  EXPECT_EQ(Split({""}), Lines{});
}

TEST(LineSplitter, KeepsALoneLineFeedInsideTheLine) {
  EXPECT_EQ(Split({"first\nsecond\nthird"}), (Lines{"first\nsecond\nthird"}));
}

TEST(LineSplitter, StopsAtCtrlZ) {
  EXPECT_EQ(Split({"kept\r\nalso kept\x1A" "dropped\r\nand this"}), (Lines{"kept", "also kept"}));
  EXPECT_EQ(Split({"\x1A" "nothing"}), Lines{});
  EXPECT_EQ(Split({"a\r\n\x1A"}), (Lines{"a"}));
}

TEST(LineSplitter, TakesBytesUnchangedAcrossPieces) {
  // A carriage return at the end of one piece and its line feed at the start of the next.
  EXPECT_EQ(Split({"one\r", "\ntwo", "\r", "", "\n"}), (Lines{"one", "two"}));
  EXPECT_EQ(Split({std::string("\xE9t\xE9\0x", 5), "\r\n"}), (Lines{std::string("\xE9t\xE9\0x", 5)}));
}

TEST(LineSplitter, HandsOnAVeryLongLineInLinesOfTheLongestLength) {
  const std::string longest(kLongestLine, ' ');
  EXPECT_EQ(Split({longest + "\r\n"}), Lines{longest});
  EXPECT_EQ(Split({longest, "x\r\n"}), (Lines{longest, "x"}));
  EXPECT_EQ(Split({longest + longest + "end"}), (Lines{longest, longest, "end"}));
}

TEST(ReadTextLines, ReadsAFileLargerThanOneChunk) {
  test::TempDir dir;
  std::string text;
  Lines expected;
  for (int i = 0; i < 20000; ++i) {
    expected.push_back("line " + std::to_string(i));
    text += expected.back() + "\r\n";
  }
  test::WriteFile(dir.Path("big.txt"), text);
  Lines lines;
  const TextRead read = ReadTextLines(dir.Path("big.txt"), [&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(read.failure, std::nullopt);
  EXPECT_FALSE(read.grew || read.cut);
  EXPECT_EQ(lines, expected);
}

// A log its product keeps writing is read as far as it reached when it was opened, however fast
// it grows (here by a line for each line read).
TEST(ReadTextLines, ReadsAGrowingFileAsItStoodWhenOpened) {
  test::TempDir dir;
  const std::string path = dir.Path("CS.log");
  test::WriteFile(path, "one\r\ntwo\r\nthree\r\n");
  Lines lines;
  const TextRead read = ReadTextLines(path, [&](const std::string& line) {
    lines.push_back(line);
    auto log = os::File::Open(path, os::Access::Write, os::kShareAll, os::Disposition::OpenExisting);
    ASSERT_TRUE(log && log->SeekToEnd() && log->Write("more\r\n", 6));
  });
  EXPECT_EQ(lines, (Lines{"one", "two", "three"}));
  EXPECT_TRUE(read.grew);
  EXPECT_EQ(read.taken, 17u);
}

TEST(ReadTextLines, ReportsWhyAFileCannotBeOpened) {
  test::TempDir dir;
  bool called = false;
  const auto failure = ReadTextLines(dir.Path("absent.txt"), [&](const std::string&) { called = true; }).failure;
  EXPECT_EQ(failure, std::optional<uint32_t>(os::kErrorFileNotFound));
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace tavisto::report
