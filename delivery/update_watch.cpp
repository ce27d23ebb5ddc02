#include "delivery/update_watch.h"

#include "delivery/data_room.h"

namespace tavisto::delivery {

using zip::Operation;
using zip::ProgressPhase;

DiskFullError::DiskFullError(const std::string& file)
    : Error("There is not enough space on the disk to write " + file), file_(file) {}

UpdateWatch::UpdateWatch(zip::TBaseArchiver& archiver, os::ProgressSink& progress, Asker& asker, std::string what)
    : archiver_(archiver),
      progress_(progress),
      what_(std::move(what)),
      diskFull_(archiver.OnDiskFull, [this](zip::TBaseArchiver&, int32_t, const std::string& fileName, bool& cancel) {
        if (full_.empty()) full_ = fileName;
        cancel = true;  // what the component does without a handler
      }),
      // While the folders are scanned: a stop takes no more files, and the commit that follows
      // is cancelled at its first event.
      scanned_(archiver.OnConfirmProcessFile,
               [this](zip::TBaseArchiver&, const std::string& fileName, Operation, bool& confirm) {
                 progress_.Advance(0, fileName);
                 confirm = !progress_.StopRequested();
               }),
      file_(archiver.OnFileProgress, [this](zip::TBaseArchiver&, const std::string& fileName, double, Operation,
                                            ProgressPhase, bool& cancel) {
        current_ = fileName;
        cancel = progress_.StopRequested();
      }),
      overall_(archiver.OnOverallProgress,
               [this](zip::TBaseArchiver&, double percent, Operation, ProgressPhase, bool& cancel) {
                 progress_.Advance(percent / 100, current_);
                 cancel = progress_.StopRequested();
               }),
      failure_(archiver.OnProcessFileFailure,
               [this, &asker](zip::TBaseArchiver& sender, const std::string& fileName, Operation, int32_t code,
                              int32_t, const std::string& message, zip::FailureAction& action) {
                 action = asker.AnswerFileProblem(FileProblem{fileName, code, sender.FailureSystemError(), message});
                 if (action == zip::FailureAction::Abort) refused_ = fileName;
               }) {}

void UpdateWatch::Note(const std::string& cause) {
  if (cause_.empty()) cause_ = cause;
}

void UpdateWatch::NoteError(std::exception_ptr error) {
  if (!error_) error_ = error;
}

void UpdateWatch::Open() {
  try {
    archiver_.OpenArchive(zip::kCreateMode);
  } catch (...) {
    RaiseFailure();
    throw;
  }
  RaiseFailure();
}

void UpdateWatch::AddFiles(const std::string& mask) {
  try {
    archiver_.AddFiles(mask, kGetDataAttributes, "");
  } catch (...) {
    RaiseFailure();
    throw;
  }
  if (archiver_.LastUpdateOutcome() == zip::UpdateOutcome::Committed && full_.empty()) return;
  RaiseFailure();
  // Rolled back for a reason no event told: say what the writer says.
  switch (archiver_.LastUpdateOutcome()) {
    case zip::UpdateOutcome::Committed: return;
    case zip::UpdateOutcome::Cancelled: throw os::Cancelled();
    case zip::UpdateOutcome::DiskFull: throw DiskFullError(archiver_.FileName());
    case zip::UpdateOutcome::Aborted: throw GetDataStopped("Get Data was stopped while " + what_ + ".");
  }
}

void UpdateWatch::RaiseFailure() {
  if (error_) std::rethrow_exception(error_);
  if (progress_.StopRequested()) throw os::Cancelled();
  if (!cause_.empty()) throw GetDataStopped("Get Data was stopped: " + cause_ + ".");
  // A volume that found no room ends the update too, whatever the component calls it.
  if (!full_.empty()) throw DiskFullError(full_);
  if (!refused_.empty() && archiver_.LastUpdateOutcome() == zip::UpdateOutcome::Aborted)
    throw GetDataStopped("Get Data was stopped while " + what_ + ": " + refused_ +
                         " could not be packed and Abort was chosen.");
}

}  // namespace tavisto::delivery
