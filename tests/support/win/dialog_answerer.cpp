#include "tests/support/win/dialog_answerer.h"

namespace tavisto::test {

ScopedDesktop::ScopedDesktop(const std::string& name)
    : previous_(GetThreadDesktop(GetCurrentThreadId())),
      desktop_(CreateDesktopA(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr)) {
  if (desktop_ && !SetThreadDesktop(desktop_)) {
    CloseDesktop(desktop_);
    desktop_ = nullptr;
  }
}

ScopedDesktop::~ScopedDesktop() {
  if (!desktop_) return;
  SetThreadDesktop(previous_);
  CloseDesktop(desktop_);
}

DialogAnswerer::DialogAnswerer(std::string caption, int pressButton)
    : caption_(std::move(caption)),
      press_(pressButton),
      desktop_(GetThreadDesktop(GetCurrentThreadId())),
      thread_([this] { Run(); }) {}

DialogAnswerer::~DialogAnswerer() { Wait(); }

void DialogAnswerer::Wait() {
  if (thread_.joinable()) thread_.join();
}

void DialogAnswerer::Run() {
  SetThreadDesktop(desktop_);
  for (int attempt = 0; attempt < 400; ++attempt) {
    Sleep(50);
    HWND box = FindWindowA("#32770", caption_.c_str());
    if (!box || !IsWindowVisible(box)) continue;
    // Let the box finish arranging its buttons (one may be removed while it is activated).
    Sleep(200);
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child;
         child = FindWindowExA(box, child, "Static", nullptr)) {
      char text[2048] = {};
      GetWindowTextA(child, text, sizeof text);
      if (text[0]) {
        text_ = text;
        break;
      }
    }
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
      HWND button = GetDlgItem(box, id);
      if (button && IsWindowVisible(button)) buttons_.push_back(id);
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(press_, BN_CLICKED), 0);
    answered_ = true;
    return;
  }
}

}  // namespace tavisto::test
