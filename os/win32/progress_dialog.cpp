// The progress dialog on the shell's IProgressDialog (CLSID_ProgressDialog). Where the shell
// cannot give one, the work goes on without a display and cannot be cancelled.
#include "os/progress_dialog.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

#include "common/progress_text.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

// Work still going after this long gets the dialog.
constexpr DWORD kShowAfterMs = 1000;
// The dialog's own thread redraws; more than a few updates a second only costs the work time.
constexpr DWORD kUpdateEveryMs = 100;
constexpr ULONGLONG kBarSteps = 10000;

// Line 1 says what is done, line 2 which file, line 3 how long the stage still takes.
constexpr DWORD kWhatLine = 1;
constexpr DWORD kItemLine = 2;
constexpr DWORD kTimeLine = 3;

}  // namespace

struct ProgressDialog::Shell {
  HWND owner;
  std::wstring title;
  DWORD started = GetTickCount();
  DWORD stageStarted = started;
  DWORD lastUpdate = 0;
  bool tried = false;  // one try only: a shell without the dialog is not asked again
  bool closed = false;
  bool stopped = false;
  bool comStarted = false;
  IProgressDialog* dialog = nullptr;
  std::string what, item;
  std::string waiting;  // what the work waits for, shown instead of the estimate
  double fraction = 0;

  void ShowWhenDue() {
    if (tried || closed || GetTickCount() - started < kShowAfterMs) return;
    tried = true;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted = SUCCEEDED(init);
    if (FAILED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IProgressDialog,
                                reinterpret_cast<void**>(&dialog)))) {
      dialog = nullptr;
      return;
    }
    dialog->SetTitle(title.c_str());
    dialog->SetCancelMsg(L"Stopping, please wait...", nullptr);
    Push();
    // Disabled from this thread first: the dialog's own thread would otherwise have to send
    // the change to a window whose thread is busy with the work.
    EnableWindow(owner, FALSE);
    if (FAILED(dialog->StartProgressDialog(owner, nullptr, PROGDLG_MODAL | PROGDLG_NOTIME | PROGDLG_NOMINIMIZE,
                                           nullptr))) {
      EnableWindow(owner, TRUE);
      dialog->Release();
      dialog = nullptr;
    }
  }

  void Push() {
    lastUpdate = GetTickCount();
    dialog->SetLine(kWhatLine, win32::Widen(what).c_str(), FALSE, nullptr);
    // A long path is shortened with an ellipsis in its middle rather than cut at the end.
    dialog->SetLine(kItemLine, win32::Widen(item).c_str(), TRUE, nullptr);
    // The stage's remaining time from its pace since it began (the dialog's own estimate would
    // count only from its appearance, a second late, and so start far too low).
    const std::string time =
        waiting.empty() ? TimeRemainingText((lastUpdate - stageStarted) / 1000.0, fraction) : waiting;
    dialog->SetLine(kTimeLine, win32::Widen(time).c_str(), FALSE, nullptr);
    dialog->SetProgress64(static_cast<ULONGLONG>(fraction * kBarSteps), kBarSteps);
  }

  void Update(bool now) {
    ShowWhenDue();
    if (dialog && (now || GetTickCount() - lastUpdate >= kUpdateEveryMs)) Push();
  }

  void Close() noexcept {
    closed = true;
    if (dialog) {
      dialog->StopProgressDialog();
      dialog->Release();
      dialog = nullptr;
      EnableWindow(owner, TRUE);
      // The boxes that follow belong to the owner: it takes the foreground back.
      SetForegroundWindow(owner);
    }
    if (comStarted) CoUninitialize();
    comStarted = false;
  }
};

ProgressDialog::ProgressDialog(void* owner, const std::string& title)
    : shell_(std::make_unique<Shell>()) {
  shell_->owner = static_cast<HWND>(owner);
  shell_->title = win32::Widen(title);
}

ProgressDialog::~ProgressDialog() { Close(); }

void ProgressDialog::BeginStage(const std::string& what) {
  shell_->what = what;
  shell_->item.clear();
  shell_->waiting.clear();
  shell_->fraction = 0;
  shell_->stageStarted = GetTickCount();
  shell_->Update(true);
}

void ProgressDialog::Describe(const std::string& what) {
  shell_->what = what;
  shell_->Update(true);
}

void ProgressDialog::Advance(double fraction, const std::string& item) {
  shell_->fraction = std::clamp(fraction, 0.0, 1.0);
  shell_->item = item;
  shell_->Update(false);
}

bool ProgressDialog::StopRequested() {
  shell_->Update(false);
  if (shell_->dialog && shell_->dialog->HasUserCancelled()) shell_->stopped = true;
  return shell_->stopped;
}

void ProgressDialog::Waiting(const std::string& what) {
  shell_->waiting = what;
  shell_->Update(true);
}

void ProgressDialog::Close() noexcept { shell_->Close(); }

}  // namespace tavisto::os
