// Answers the next message box with a given caption the way a user would, from a second
// thread: it waits for the box, notes its text and the buttons it shows, then presses one.
// The box needs a display (the test runs under Xvfb).
//   DialogAnswerer answerer(os::ApplicationTitle(), IDIGNORE);
//   ... code that shows the box ...
//   answerer.Wait();
//   EXPECT_EQ(answerer.Text(), "...");
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tavisto::test {

// Puts the calling thread on a desktop of its own for its lifetime. Wine starts the desktop's
// process from this process's environment, so its boxes reach the display the test was given
// even when the prefix's default desktop was started earlier without one.
class ScopedDesktop {
 public:
  explicit ScopedDesktop(const std::string& name);
  ScopedDesktop(const ScopedDesktop&) = delete;
  ScopedDesktop& operator=(const ScopedDesktop&) = delete;
  ~ScopedDesktop();
  [[nodiscard]] bool IsValid() const { return desktop_ != nullptr; }

 private:
  HDESK previous_;
  HDESK desktop_;
};

// Looks for the box on the desktop of the thread that created it.
class DialogAnswerer {
 public:
  DialogAnswerer(std::string caption, int pressButton);
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  ~DialogAnswerer();

  // Waits until a box was answered or the wait gave up (20 s).
  void Wait();
  [[nodiscard]] bool Answered() const { return answered_; }
  [[nodiscard]] const std::string& Text() const { return text_; }
  // IDs of the buttons the box showed (IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO).
  [[nodiscard]] const std::vector<int>& Buttons() const { return buttons_; }

 private:
  void Run();

  std::string caption_;
  int press_;
  std::atomic<bool> answered_{false};
  std::string text_;
  std::vector<int> buttons_;
  HDESK desktop_;
  std::thread thread_;
};

}  // namespace tavisto::test
