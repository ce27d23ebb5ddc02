// The report memo on a real edit control: every line in, in steps, NULs shown as spaces; and a
// control that cannot take the whole report ends with lines saying what was left out.
#include "app/memo_lines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tavisto::app {
namespace {

class Memo : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 500, nullptr, nullptr, nullptr, nullptr);
    edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE, 8, 8, 380,
                            280, window_, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit_);
    memo.Attach(edit_);
    memo.Clear();
  }
  void TearDown() override { DestroyWindow(window_); }
  // Lines of 50 bytes (52 with their line break), numbered; n of them as the memo holds them.
  static std::string Line(unsigned number) {
    char text[64];
    std::snprintf(text, sizeof text, "line %06u of the report, written to be fifty by.", number);
    return text;
  }
  static std::string Text(unsigned lines) {
    std::string text;
    for (unsigned i = 0; i < lines; ++i) text += Line(i) + "\r\n";
    return text;
  }
  // How many lines the memo's closing line says were left out.
  static unsigned LeftOut(const std::string& line, size_t limit) {
    unsigned lines = 0;
    const std::string expected = "The window could not take the rest of the report (the window holds at most " +
                                 std::to_string(limit) + " characters): %u lines";
    EXPECT_EQ(std::sscanf(line.c_str(), expected.c_str(), &lines), 1) << line;
    return lines;
  }

  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  MemoLines memo;
};

TEST_F(Memo, HoldsEveryLineWithNulsShownAsSpaces) {
  for (unsigned i = 0; i < 21000; ++i) memo.Add(Line(i));  // a megabyte: several steps
  memo.Add(std::string("\0\0restarted\0", 12));
  EXPECT_EQ(memo.End(), "");
  EXPECT_EQ(memo.Text(), Text(21000) + "  restarted \r\n");
  EXPECT_EQ(memo.Status(), "1.0 MB of the report shown");
  EXPECT_TRUE(GetWindowLongA(edit_, GWL_STYLE) & WS_VISIBLE);  // hidden only while it fills
  // A stop does not wait for the control to take what it has not taken yet.
  memo.Clear();
  memo.Add("not in the control yet");
  EXPECT_EQ(memo.Abandon("cancelled"), "");
  EXPECT_EQ(memo.Text(), "cancelled\r\n");
}

TEST_F(Memo, TextTheControlCannotTakeIsLeftOutWholeLinesAtATimeAndSaidSo) {
  SendMessageA(edit_, EM_SETLIMITTEXT, 300000, 0);
  for (unsigned i = 0; i < 10000; ++i) memo.Add(Line(i));  // 520000 bytes
  const std::string leftOut = memo.End();
  const unsigned lines = LeftOut(leftOut, 300000);
  EXPECT_GT(lines, 0u);
  EXPECT_EQ(memo.Text(), Text(10000 - lines) + leftOut + "\r\n");
  EXPECT_NE(leftOut.find(std::to_string((lines * 52 + 1023) / 1024) + " KB) left out. The report is incomplete."),
            std::string::npos);
}

TEST_F(Memo, TheClosingLinesGoInEvenWhenTheControlIsFull) {
  for (unsigned i = 0; i < 100; ++i) memo.Add(Line(i));
  memo.Flush();
  SendMessageA(edit_, EM_SETLIMITTEXT, 5200, 0);  // not one character more
  memo.Add("one more");
  const std::string cancelled = "The analysis was cancelled: the report is incomplete.";
  const std::string leftOut = memo.End(cancelled);
  // The end of the memo gave way: the lines given up are counted with the one left out.
  const unsigned lines = LeftOut(leftOut, 5200);
  EXPECT_GT(lines, 1u);
  EXPECT_EQ(memo.Text(), Text(101 - lines) + leftOut + "\r\n" + cancelled + "\r\n");
}

}  // namespace
}  // namespace tavisto::app
