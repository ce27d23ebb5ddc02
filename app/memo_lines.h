// The report memo as a line sink. Lines are gathered and handed to the edit control in one
// piece at Flush (the window does not repaint while a handler runs, so nothing visible is
// lost), which keeps a report of many thousands of lines fast.
#pragma once

#include <windows.h>

#include <string>

#include "report/line_sink.h"

namespace tavisto::app {

class MemoLines : public report::LineSink {
 public:
  MemoLines() = default;
  void Attach(HWND edit);

  // Appends a line. The edit control holds C strings, so a line ends at its first NUL.
  void Add(const std::string& line) override;
  // Empties the memo (and drops lines not yet shown).
  void Clear();
  // Puts the gathered lines into the edit control.
  void Flush();
  // The memo's whole text as the control holds it (each line followed by CR LF).
  [[nodiscard]] std::string Text() const;

 private:
  HWND edit_ = nullptr;
  std::string pending_;
};

}  // namespace tavisto::app
