#include "app/memo_lines.h"

#include <algorithm>
#include <climits>
#include <new>

#include "common/progress_text.h"
#include "common/size_text.h"

namespace tavisto::app {
namespace {

constexpr size_t kFirstStep = 512 * 1024;
constexpr size_t kSmallestStep = 128 * 1024;
constexpr size_t kLargestStep = 1024 * 1024;
// What one step may take: a stop asked for is seen between steps.
constexpr uint64_t kStepMs = 600;

constexpr char kNoMemory[] = "there is not enough memory for it";

uint64_t LineCount(const std::string& text) {
  uint64_t count = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++count;
  return count;
}

uint64_t Length(HWND edit) { return static_cast<uint64_t>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)); }

}  // namespace

void MemoLines::Attach(HWND edit) {
  edit_ = edit;
  step_ = kFirstStep;
  // A multi-line edit stops at 30000 characters unless told otherwise; a report with a long
  // file list is far larger.
  SendMessageA(edit_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
}

void MemoLines::Add(const std::string& line) {
  if (full_) {
    leftBytes_ += line.size() + 2;
    ++leftLines_;
    return;
  }
  const size_t at = pending_.size();
  try {
    pending_ += line;
    pending_ += "\r\n";
  } catch (const std::bad_alloc&) {
    // No memory even for the program's own copy: what was gathered goes in if it can, and
    // this line is the first one left out.
    pending_.resize(at);
    if (Put()) LeaveOut(kNoMemory);
    Add(line);
    return;
  }
  std::replace(pending_.begin() + static_cast<std::ptrdiff_t>(at), pending_.end(), '\0', ' ');
  if (pending_.size() >= step_) Put();
}

std::string MemoLines::Status() const { return SizeText(shown_) + " of the report shown"; }

void MemoLines::Clear() {
  std::string().swap(pending_);
  step_ = kFirstStep;
  shown_ = 0;
  full_ = false;
  fullReason_.clear();
  leftBytes_ = leftLines_ = 0;
  SetWindowTextA(edit_, "");
}

void MemoLines::Flush() {
  Put();
  Show();
}

std::string MemoLines::End(const std::string& closingLine) {
  Put();
  std::string closing = closingLine.empty() ? std::string() : closingLine + "\r\n";
  if (!full_ && (closing.empty() || Append(closing))) {
    Show();
    return "";
  }
  if (!full_) LeaveOut(Refusal(Length(edit_) + closing.size()));
  // No room even for the closing lines: the end of the memo gives way to them, whole lines at
  // a time, and what it gives up is counted with the rest left out.
  for (uint64_t cut = closing.size() + 256;; cut *= 4) {
    if (Append(LeftOutLine() + "\r\n" + closing)) break;
    const uint64_t end = EndPosition();
    if (end == 0) break;  // nothing left to give up
    const LRESULT line = SendMessageA(edit_, EM_LINEFROMCHAR, static_cast<WPARAM>(end > cut ? end - cut : 0), 0);
    const auto from = static_cast<uint64_t>(SendMessageA(edit_, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
    const auto lines = static_cast<uint64_t>(SendMessageA(edit_, EM_GETLINECOUNT, 0, 0));
    // The text ends in a line break: its last line is the empty one after it.
    leftLines_ += lines - 1 - static_cast<uint64_t>(line);
    leftBytes_ += end - from;
    shown_ -= std::min(shown_, end - from);
    SendMessageA(edit_, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(end));
    SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
  }
  Show();
  return LeftOutLine();
}

std::string MemoLines::Abandon(const std::string& closingLine) {
  std::string().swap(pending_);
  return End(closingLine);
}

std::string MemoLines::Text() const {
  const LRESULT length = SendMessageA(edit_, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied = SendMessageA(edit_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

bool MemoLines::Put() {
  if (pending_.empty() || full_) return !full_;
  Hide();
  const DWORD started = GetTickCount();
  const uint64_t before = Length(edit_);
  if (!Append(pending_)) {
    LeaveOut(Refusal(before + pending_.size()));
    return false;
  }
  shown_ += pending_.size();
  // The next step aims at kStepMs from the pace of this one, growing at most twofold: the pace
  // changes with the machine's load.
  const uint64_t took = GetTickCount() - started;
  const uint64_t aimed = std::min<uint64_t>(took ? pending_.size() * kStepMs / took : kLargestStep, 2 * step_);
  step_ = static_cast<size_t>(std::clamp<uint64_t>(aimed, kSmallestStep, kLargestStep));
  pending_.clear();
  return true;
}

bool MemoLines::Append(const std::string& text) {
  const uint64_t start = EndPosition();
  const uint64_t before = Length(edit_);
  SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  // The length in the window's own code page: what went in is at least as long as what was sent.
  if (Length(edit_) >= before + text.size()) return true;
  // Part of it went in, or nothing: what went in comes out again, so that the memo never ends
  // in a line cut short.
  const uint64_t end = EndPosition();
  if (end > start) {
    SendMessageA(edit_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
  }
  return false;
}

std::string MemoLines::Refusal(uint64_t wantedLength) const {
  const auto limit = static_cast<uint64_t>(SendMessageA(edit_, EM_GETLIMITTEXT, 0, 0));
  if (wantedLength > limit) return "the window holds at most " + CountOf(limit, "character");
  return kNoMemory;
}

void MemoLines::LeaveOut(const std::string& reason) {
  full_ = true;
  fullReason_ = reason;
  leftBytes_ += pending_.size();
  leftLines_ += LineCount(pending_);
  std::string().swap(pending_);
}

std::string MemoLines::LeftOutLine() const {
  return "The window could not take the rest of the report (" + fullReason_ + "): " +
         CountOf(leftLines_, "line") + " (" + SizeText(leftBytes_) + ") left out. The report is incomplete.";
}

uint64_t MemoLines::EndPosition() {
  SendMessageA(edit_, EM_SETSEL, INT_MAX, INT_MAX);
  DWORD start = 0, end = 0;
  SendMessageA(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return end;
}

void MemoLines::Hide() {
  if (hidden_) return;
  hadFocus_ = GetFocus() == edit_;
  // Nothing is redrawn for it: the memo looks as it did until it is shown again.
  SetWindowPos(edit_, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  hidden_ = true;
}

void MemoLines::Show() {
  if (!hidden_) return;
  ShowWindow(edit_, SW_SHOW);
  // Painted now, while the progress display is still up: a memo of megabytes takes seconds to
  // lay out and draw, which would otherwise pass with nothing on the screen after it closed.
  UpdateWindow(edit_);
  if (hadFocus_) SetFocus(edit_);
  hidden_ = false;
}

}  // namespace tavisto::app
