#include "app/window_asker.h"

#include "common/size_text.h"

#include "os/dialogs.h"
#include "zip/archive_error.h"

namespace tavisto::app {

using os::DialogAnswer;

zip::FailureAction WindowAsker::AnswerFileProblem(const delivery::FileProblem& problem) {
  // A cancelled volume request is the run's own decision: Abort without asking.
  if (problem.code == zip::kErrorVolumeCancelled) return zip::FailureAction::Abort;
  // A name too long cannot get better by trying again: the box offers no Retry and says no more
  // than the error.
  if (problem.code == zip::kErrorPathTooLong)
    return os::ShowDialog(owner_, problem.message, os::DialogIcon::Question, {DialogAnswer::Abort, DialogAnswer::Ignore}) ==
                   DialogAnswer::Ignore
               ? zip::FailureAction::Skip
               : zip::FailureAction::Abort;
  switch (os::ShowDialog(owner_, problem.message + ". File processing error, possibly disk is full",
                         os::DialogIcon::Question, {DialogAnswer::Abort, DialogAnswer::Retry, DialogAnswer::Ignore})) {
    case DialogAnswer::Retry: return zip::FailureAction::Retry;
    case DialogAnswer::Ignore: return zip::FailureAction::Skip;
    default: return zip::FailureAction::Abort;
  }
}

std::string WindowAsker::LeftOutAnswer(const zip::LeftOutFile& file) const {
  return file.kind == zip::LeftOutKind::File ? "Ignore was chosen" : "";
}

std::string LargeMailQuestion(int64_t bytes) {
  return "Data.zip is " + SizeText(static_cast<uint64_t>(bytes)) +
         ". Many mail systems refuse messages over 10 MB, and a file grows by about a third when it is attached to a "
         "mail.\r\n\r\nSave Data puts Data.zip on your desktop, so that you can send it another way.\r\n\r\n"
         "Send it by email anyway?";
}

bool WindowAsker::MailLargeDataZip(int64_t bytes) {
  return os::ShowDialog(owner_, LargeMailQuestion(bytes), os::DialogIcon::Warning,
                        {DialogAnswer::Yes, DialogAnswer::No}) == DialogAnswer::Yes;
}

}  // namespace tavisto::app
