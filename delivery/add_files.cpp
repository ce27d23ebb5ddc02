#include "delivery/add_files.h"

#include "delivery/scoped_event.h"
#include "os/errors.h"

namespace tavisto::delivery {

DiskFullError::DiskFullError(const std::string& file)
    : Error("There is not enough space on the disk to write " + file), file_(file) {}

void AddFilesWatched(zip::TBaseArchiver& archiver, const std::string& mask, const std::string& what,
                     os::ProgressSink& progress) {
  using zip::Operation;
  using zip::ProgressPhase;
  std::string full;
  std::string current;
  const ScopedEvent diskFull(archiver.OnDiskFull, zip::TArcDiskFullEvent(
      [&full](zip::TBaseArchiver&, int32_t, const std::string& fileName, bool& cancel) {
        full = fileName;
        cancel = true;  // what the component does without a handler
      }));
  // While the folders are scanned: a stop takes no more files, and the commit that follows
  // is cancelled at its first event.
  const ScopedEvent scanned(archiver.OnConfirmProcessFile, zip::TArcConfirmProcessFileEvent(
      [&](zip::TBaseArchiver&, const std::string& fileName, Operation, bool& confirm) {
        progress.Advance(0, fileName);
        confirm = !progress.StopRequested();
      }));
  const ScopedEvent file(archiver.OnFileProgress, zip::TArcFileProgressEvent(
      [&](zip::TBaseArchiver&, const std::string& fileName, double, Operation, ProgressPhase, bool& cancel) {
        current = fileName;
        cancel = progress.StopRequested();
      }));
  const ScopedEvent overall(archiver.OnOverallProgress, zip::TArcOverallProgressEvent(
      [&](zip::TBaseArchiver&, double percent, Operation, ProgressPhase, bool& cancel) {
        progress.Advance(percent / 100, current);
        cancel = progress.StopRequested();
      }));
  archiver.AddFiles(mask, zip::kDefaultSearchAttr, "");
  if (progress.StopRequested()) throw os::Cancelled();
  // A volume that found no room ends the update too, whatever the component calls it.
  if (!full.empty()) throw DiskFullError(full);
  switch (archiver.LastUpdateOutcome()) {
    case zip::UpdateOutcome::Committed: return;
    case zip::UpdateOutcome::Cancelled: throw os::Cancelled();
    case zip::UpdateOutcome::DiskFull:
      throw DiskFullError(archiver.FileName());
    case zip::UpdateOutcome::Aborted:
      throw GetDataStopped("Get Data was stopped while " + what + ": a file could not be read and Abort was chosen.");
  }
}

}  // namespace tavisto::delivery
