// The report memo as a line sink. Lines are gathered and put into the edit control at its end
// in steps of under a second of the control's work (under Wine it takes about a
// second a megabyte), so that a report of any size fills it while the progress display and its
// Cancel stay alive; it is hidden meanwhile (it still looks as it did), which spares the control
// keeping a view up to date. After each step the control's length is checked: text it cannot
// take (no memory left, its limit reached) is never dropped silently; nothing more goes in
// after it, and the memo's closing lines say what was left out and why.
//   memo.Clear();
//   BuildAnalysisReport(inputs, memo, progress);   // memo.Status() says how much is shown
//   memo.End();                                    // the rest, and what was left out, if any
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "report/line_sink.h"

namespace tavisto::app {

class MemoLines : public report::LineSink {
 public:
  MemoLines() = default;
  void Attach(HWND edit);

  // Appends a line. The control holds C strings: a NUL in the line is shown as a space (a block
  // of NULs in a log must not hide the line's text after it).
  void Add(const std::string& line) override;
  // "12.3 MB of the report shown".
  [[nodiscard]] std::string Status() const override;
  // Empties the memo and starts afresh.
  void Clear();
  // Puts every gathered line into the control, and shows it.
  void Flush() override;
  // Ends the text: puts the rest in, then the closing lines, which always go in (the end of
  // the memo gives way to them if need be): one saying what was left out, when the control
  // could not take everything, and closingLine unless it is "". Returns the left-out line
  // ("" when the memo holds every line it was given).
  std::string End(const std::string& closingLine = "");
  // Ends the text at once, as End does but without the lines not yet in the control: a stop
  // asked for does not wait for the control to take them.
  std::string Abandon(const std::string& closingLine);
  // The memo's whole text as the control holds it (each line followed by CR LF).
  [[nodiscard]] std::string Text() const;

 private:
  // Puts the gathered lines in with one append; false when the control did not take them all.
  bool Put();
  // Appends text at the end; when the control does not take all of it, takes out what it took
  // and returns false.
  bool Append(const std::string& text);
  // Why the control would not grow to wantedLength characters.
  [[nodiscard]] std::string Refusal(uint64_t wantedLength) const;
  // From here on every line is left out, for the reason given.
  void LeaveOut(const std::string& reason);
  [[nodiscard]] std::string LeftOutLine() const;
  // Moves the caret to the end and returns that position.
  uint64_t EndPosition();
  void Hide();
  void Show();

  HWND edit_ = nullptr;
  std::string pending_;
  size_t step_ = 0;         // how much is gathered before it is put in
  uint64_t shown_ = 0;      // bytes in the control
  bool hidden_ = false;     // hidden while it is filled: the control works faster unseen
  bool hadFocus_ = false;   // the focus it had when it was hidden
  // Once the control refused text, the rest of the lines are counted and left out.
  bool full_ = false;
  std::string fullReason_;
  uint64_t leftBytes_ = 0;
  uint64_t leftLines_ = 0;
};

}  // namespace tavisto::app
