#include "app/memo_lines.h"

#include <cstring>

namespace tavisto::app {

void MemoLines::Attach(HWND edit) {
  edit_ = edit;
  // A multi-line edit stops at 30000 characters unless told otherwise; a report with a long
  // file list is far larger.
  SendMessageA(edit_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
}

void MemoLines::Add(const std::string& line) {
  pending_.append(line.c_str(), std::strlen(line.c_str()));
  pending_ += "\r\n";
}

void MemoLines::Clear() {
  pending_.clear();
  SetWindowTextA(edit_, "");
}

void MemoLines::Flush() {
  if (pending_.empty()) return;
  const LRESULT length = SendMessageA(edit_, WM_GETTEXTLENGTH, 0, 0);
  std::string text = Text();
  // Lines always start on a line of their own, even after the user typed a partial line.
  if (length > 0 && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") != 0)
    pending_.insert(0, "\r\n");
  SendMessageA(edit_, EM_SETSEL, length, length);
  SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(pending_.c_str()));
  pending_.clear();
}

std::string MemoLines::Text() const {
  const LRESULT length = SendMessageA(edit_, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied = SendMessageA(edit_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

}  // namespace tavisto::app
