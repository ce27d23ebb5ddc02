// The window's answers to the questions of its jobs: message boxes modal to the window, in the
// words and with the buttons they have always had (Abort, Retry or Ignore for a file the writer
// cannot process; Abort or Ignore for a name too long; Yes or No for mailing a large Data.zip).
//   WindowAsker asker(window);
//   GetDataJob job(session, asker, facts);
#pragma once

#include <string>

#include "delivery/asker.h"

namespace tavisto::app {

class WindowAsker : public delivery::Asker {
 public:
  // owner: the window the boxes are modal to (an HWND; nullptr: the active window).
  explicit WindowAsker(void* owner) : owner_(owner) {}

  zip::FailureAction AnswerFileProblem(const delivery::FileProblem& problem) override;
  [[nodiscard]] std::string LeftOutAnswer(const zip::LeftOutFile& file) const override;
  bool MailLargeDataZip(int64_t bytes) override;

 private:
  void* owner_;
};

// "Data.zip is 7.5 MB. Many mail systems refuse ..." for the box that asks.
[[nodiscard]] std::string LargeMailQuestion(int64_t bytes);

}  // namespace tavisto::app
