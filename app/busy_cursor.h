// The hourglass while a long handler works. The window answers WM_SETCURSOR with the cursor
// this guard names; the default comes back when the guard ends, also when an error ends the
// handler.
#pragma once

#include <windows.h>

namespace tavisto::app {

class BusyCursor {
 public:
  explicit BusyCursor(bool& busyFlag) : busy_(busyFlag) {
    busy_ = true;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  ~BusyCursor() { Restore(); }

  // Back to the default before the guard ends (a handler that shows its message afterwards).
  void Restore() {
    if (!busy_) return;
    busy_ = false;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
  }

 private:
  bool& busy_;
};

}  // namespace tavisto::app
