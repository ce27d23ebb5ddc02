#include "delivery/archive_questions.h"

#include "os/dialogs.h"
#include "zip/archive_error.h"

namespace tavisto::delivery {

zip::FailureAction AskAboutFileFailure(int32_t code, const std::string& message) {
  using os::DialogAnswer;
  if (code == zip::kErrorVolumeCancelled) return zip::FailureAction::Abort;
  // A name too long cannot get better by trying again: the box offers no Retry and says no more
  // than the error.
  if (code == zip::kErrorPathTooLong)
    return os::ShowDialog(message, os::DialogIcon::Question, {DialogAnswer::Abort, DialogAnswer::Ignore}) ==
                   DialogAnswer::Ignore
               ? zip::FailureAction::Skip
               : zip::FailureAction::Abort;
  switch (os::ShowDialog(message + ". File processing error, possibly disk is full", os::DialogIcon::Question,
                         {DialogAnswer::Abort, DialogAnswer::Retry, DialogAnswer::Ignore})) {
    case DialogAnswer::Retry: return zip::FailureAction::Retry;
    case DialogAnswer::Ignore: return zip::FailureAction::Skip;
    default: return zip::FailureAction::Abort;
  }
}

void InstallArchiveQuestions(zip::TBaseArchiver& archiver) {
  archiver.OnProcessFileFailure = [](zip::TBaseArchiver&, const std::string&, zip::Operation, int32_t code,
                                     int32_t, const std::string& message, zip::FailureAction& action) {
    action = AskAboutFileFailure(code, message);
  };
}

}  // namespace tavisto::delivery
