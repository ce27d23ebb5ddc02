// The questions Get Data and the mails put to whoever runs them, asked through an asker the
// caller gives: the window's shows its message boxes, the unattended run's answers by a fixed
// policy and never waits for a person. What the writer cannot process reaches the asker as a
// FileProblem (UpdateWatch routes a writer's questions to it).
//   UnattendedAsker asker;
//   GetDataJob job(session, asker, facts);
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "zip/archiver.h"

namespace tavisto::delivery {

// A source the archive writer could not process.
struct FileProblem {
  std::string file;
  int32_t code = 0;          // the writer's error code
  uint32_t systemError = 0;  // the system's, behind it (0: none)
  std::string message;       // the writer's full message
};

class Asker {
 public:
  virtual ~Asker() = default;
  // Abort (the update is undone), Retry or Skip (the file is left out).
  virtual zip::FailureAction AnswerFileProblem(const FileProblem& problem) = 0;
  // What the answer that left the file out is called where that file is named ("Ignore was
  // chosen"); "" for what nobody was asked about (a folder that could not be read, a link).
  [[nodiscard]] virtual std::string LeftOutAnswer(const zip::LeftOutFile& file) const = 0;
  // Whether a Data.zip of this size, larger than many mail systems take, is mailed all the same.
  virtual bool MailLargeDataZip(int64_t bytes) = 0;
};

// Whether the problem is a file another program holds open (a sharing or lock violation), which
// may well be free again in a moment.
[[nodiscard]] bool IsHeldByAnotherProgram(uint32_t systemError);

// The unattended run's answers: a file another program holds is tried again for a few seconds,
// then left out; any other file that cannot be read is left out at once; a cancelled volume
// request stops the run; a large Data.zip is never mailed (there is no mail in this mode).
class UnattendedAsker : public Asker {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using Sleep = std::function<void(std::chrono::milliseconds)>;
  static constexpr std::chrono::seconds kRetryFor{5};
  static constexpr std::chrono::milliseconds kRetryPause{250};

  UnattendedAsker();
  // For tests: the clock read and the pause taken between tries.
  UnattendedAsker(Clock clock, Sleep sleep);

  zip::FailureAction AnswerFileProblem(const FileProblem& problem) override;
  [[nodiscard]] std::string LeftOutAnswer(const zip::LeftOutFile& file) const override;
  bool MailLargeDataZip(int64_t) override { return false; }

 private:
  Clock clock_;
  Sleep sleep_;
  std::map<std::string, std::chrono::steady_clock::time_point> firstTried_;  // by file
};

}  // namespace tavisto::delivery
