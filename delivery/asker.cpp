#include "delivery/asker.h"

#include <thread>

#include "os/os_error.h"
#include "zip/archive_error.h"

namespace tavisto::delivery {

bool IsHeldByAnotherProgram(uint32_t systemError) {
  return systemError == os::kErrorSharingViolation || systemError == os::kErrorLockViolation;
}

UnattendedAsker::UnattendedAsker()
    : UnattendedAsker(std::chrono::steady_clock::now, [](std::chrono::milliseconds pause) {
        std::this_thread::sleep_for(pause);
      }) {}

UnattendedAsker::UnattendedAsker(Clock clock, Sleep sleep) : clock_(std::move(clock)), sleep_(std::move(sleep)) {}

zip::FailureAction UnattendedAsker::AnswerFileProblem(const FileProblem& problem) {
  if (problem.code == zip::kErrorVolumeCancelled) return zip::FailureAction::Abort;
  if (!IsHeldByAnotherProgram(problem.systemError)) return zip::FailureAction::Skip;
  const auto now = clock_();
  const auto [first, added] = firstTried_.try_emplace(problem.file, now);
  if (now - first->second >= kRetryFor) return zip::FailureAction::Skip;
  sleep_(kRetryPause);
  return zip::FailureAction::Retry;
}

std::string UnattendedAsker::LeftOutAnswer(const zip::LeftOutFile& file) const {
  if (file.kind != zip::LeftOutKind::File) return "";
  if (IsHeldByAnotherProgram(file.systemError))
    return "tried again for " + std::to_string(kRetryFor.count()) + " seconds, then left out by the unattended run";
  return "left out by the unattended run";
}

}  // namespace tavisto::delivery
