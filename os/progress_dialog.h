// The shell's standard progress dialog for work that runs on the window's own thread: the
// dialog paints and answers its Cancel button on a thread of its own. It appears only when the
// work is still going after about a second (short work looks as it always did), modal to its
// owner, and is gone, the owner enabled again, when Close is called or the object ends.
//   os::ProgressDialog progress(window, os::ApplicationTitle());
//   DoLongWork(progress);     // BeginStage, Advance, StopRequested as it goes
//   progress.Close();         // before the box that says how it ended
#pragma once

#include <memory>
#include <string>

#include "os/progress.h"

namespace tavisto::os {

class ProgressDialog final : public ProgressSink {
 public:
  // owner: the window the dialog is modal to (an HWND).
  ProgressDialog(void* owner, const std::string& title);
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;
  ~ProgressDialog() override;

  void BeginStage(const std::string& what) override;
  void Describe(const std::string& what) override;
  void Advance(double fraction, const std::string& item) override;
  [[nodiscard]] bool StopRequested() override;
  void Waiting(const std::string& what) override;

  // Takes the dialog down now; nothing shows after it.
  void Close() noexcept;

 private:
  struct Shell;
  std::unique_ptr<Shell> shell_;
};

}  // namespace tavisto::os
