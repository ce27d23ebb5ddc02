// The report memo on a real edit control: every line in, in steps, NULs shown as spaces; and a
// control that cannot take the whole report ends with lines saying what was left out.
#include "app/memo_lines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tavisto::app {
namespace {

// A window with an edit control styled as the report memo, and the memo attached to it.
class Memo : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 500, nullptr, nullptr, nullptr, nullptr);
    edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE, 8, 8, 380,
                            280, window_, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit_);
    memo.Attach(edit_);
  }
  void TearDown() override { DestroyWindow(window_); }
  // Lines of 50 bytes with CR LF, numbered.
  static std::string Line(int number) {
    char text[64];
    std::snprintf(text, sizeof text, "line %06d of the report, written to be fifty by.", number);
    return text;
  }
  void Limit(size_t characters) { SendMessageA(edit_, EM_SETLIMITTEXT, characters, 0); }

  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  MemoLines memo;
};

TEST_F(Memo, HoldsEveryLineWithNulsShownAsSpaces) {
  memo.Clear();
  std::string expected;
  for (int i = 0; i < 21000; ++i) {  // a megabyte: several steps
    memo.Add(Line(i));
    expected += Line(i) + "\r\n";
  }
  memo.Add(std::string("\0\0restarted\0", 12));
  expected += "  restarted \r\n";
  EXPECT_EQ(memo.End(), "");
  EXPECT_EQ(memo.Text(), expected);
  EXPECT_EQ(memo.Status(), "1.0 MB of the report shown");
  EXPECT_TRUE(GetWindowLongA(edit_, GWL_STYLE) & WS_VISIBLE);  // hidden only while it fills
  memo.Clear();
  EXPECT_EQ(memo.Text(), "");
}

TEST_F(Memo, TextTheControlCannotTakeIsLeftOutWholeLinesAtATimeAndSaidSo) {
  Limit(300000);
  memo.Clear();
  for (int i = 0; i < 10000; ++i) memo.Add(Line(i));  // 520000 bytes
  const std::string leftOut = memo.End();
  const std::string text = memo.Text();
  unsigned lines = 0, kilobytes = 0;
  ASSERT_EQ(std::sscanf(leftOut.c_str(),
                        "The window could not take the rest of the report (the window holds at most 300000 "
                        "characters): %u lines (%u KB) left out. The report is incomplete.",
                        &lines, &kilobytes),
            2)
      << leftOut;
  // The memo holds the lines before those left out, whole, then the line that says so.
  const unsigned shown = 10000 - lines;
  std::string expected;
  for (unsigned i = 0; i < shown; ++i) expected += Line(static_cast<int>(i)) + "\r\n";
  EXPECT_GT(shown, 0u);
  EXPECT_EQ(text, expected + leftOut + "\r\n");
  EXPECT_EQ(kilobytes, (lines * 52 + 1023) / 1024);
}

TEST_F(Memo, TheClosingLinesGoInEvenWhenTheControlIsFull) {
  memo.Clear();
  for (int i = 0; i < 100; ++i) memo.Add(Line(i));
  memo.Flush();
  Limit(memo.Text().size());  // not one more character
  memo.Add("one more");
  const std::string cancelled = "The analysis was cancelled: the report is incomplete.";
  const std::string leftOut = memo.End(cancelled);
  // The end of the memo gave way: the lines given up are counted with the one left out.
  unsigned lines = 0;
  ASSERT_EQ(std::sscanf(leftOut.c_str(), "The window could not take the rest of the report (the window holds at most "
                                         "5200 characters): %u lines",
                        &lines),
            1)
      << leftOut;
  std::string expected;
  for (unsigned i = 0; i < 101 - lines; ++i) expected += Line(static_cast<int>(i)) + "\r\n";
  EXPECT_EQ(memo.Text(), expected + leftOut + "\r\n" + cancelled + "\r\n");
}

}  // namespace
}  // namespace tavisto::app
