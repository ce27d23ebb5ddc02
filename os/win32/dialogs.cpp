// Message boxes through MessageBoxW, so a name in the text shows as it is, whatever its
// characters (texts are UTF-8). The Abort/Ignore pair has no box of its own: it is the
// Abort/Retry/Ignore box with its Retry button removed while the box is being activated.
#include "os/dialogs.h"

#include "common/path_parts.h"

#include <windows.h>

#include <algorithm>

#include "os/system_facts.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

thread_local HHOOK retryRemovalHook = nullptr;

LRESULT CALLBACK RemoveRetryButton(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    if (HWND retry = GetDlgItem(box, IDRETRY)) {
      // Move Ignore into Retry's place so the two remaining buttons stay side by side.
      RECT retryRect;
      GetWindowRect(retry, &retryRect);
      MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&retryRect), 2);
      if (HWND ignore = GetDlgItem(box, IDIGNORE))
        SetWindowPos(ignore, nullptr, retryRect.left, retryRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      DestroyWindow(retry);
    }
    UnhookWindowsHookEx(retryRemovalHook);
    retryRemovalHook = nullptr;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool Has(std::initializer_list<DialogAnswer> buttons, DialogAnswer answer) {
  return std::find(buttons.begin(), buttons.end(), answer) != buttons.end();
}

}  // namespace

std::string ApplicationTitle() {
  std::string name = NameOf(ExecutablePath());
  const auto dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

DialogAnswer ShowDialog(void* window, const std::string& text, DialogIcon icon,
                        std::initializer_list<DialogAnswer> buttons, const std::string& caption) {
  UINT type = MB_OK;
  bool abortIgnore = false;
  if (Has(buttons, DialogAnswer::Abort)) {
    type = MB_ABORTRETRYIGNORE;
    abortIgnore = !Has(buttons, DialogAnswer::Retry);
  } else if (Has(buttons, DialogAnswer::Yes)) {
    type = MB_YESNO;
  } else if (Has(buttons, DialogAnswer::Cancel)) {
    type = MB_OKCANCEL;
  }
  switch (icon) {
    case DialogIcon::None: break;
    case DialogIcon::Error: type |= MB_ICONERROR; break;
    case DialogIcon::Warning: type |= MB_ICONWARNING; break;
    case DialogIcon::Question: type |= MB_ICONQUESTION; break;
    case DialogIcon::Information: type |= MB_ICONINFORMATION; break;
  }
  if (abortIgnore)
    retryRemovalHook = SetWindowsHookExA(WH_CBT, RemoveRetryButton, nullptr, GetCurrentThreadId());
  const HWND given = static_cast<HWND>(window);
  const HWND owner = given && IsWindow(given) ? given : GetActiveWindow();
  const int answer =
      MessageBoxW(owner, win32::Widen(text).c_str(), win32::Widen(caption).c_str(), type | MB_TASKMODAL);
  if (retryRemovalHook) {
    UnhookWindowsHookEx(retryRemovalHook);
    retryRemovalHook = nullptr;
  }
  switch (answer) {
    case IDOK: return DialogAnswer::Ok;
    case IDABORT: return DialogAnswer::Abort;
    case IDRETRY: return DialogAnswer::Retry;
    case IDIGNORE: return DialogAnswer::Ignore;
    case IDYES: return DialogAnswer::Yes;
    case IDNO: return DialogAnswer::No;
    default: return DialogAnswer::Cancel;
  }
}

}  // namespace tavisto::os
