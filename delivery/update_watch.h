// One update of an archive writer as Get Data runs it (the archive opened, files added), and the
// one place where its failure is put into words. The watch shows the update's progress and
// honours a stop through the progress sink, has the asker answer for the files the writer cannot
// process, and turns whatever ended an update that did not commit (a stop, a disk that filled
// up, Abort answered to a file, a cause a host's own handler noted, an error one raised) into one
// error, never an archive quietly rolled back to what it held before (which would end in
// "Finished").
//   UpdateWatch watch(archiver, progress, asker, "packing the Zorvel data");
//   archiver.OnRequestBlankVolume = [&](...) { ... watch.Note(name + " is not a file Tavisto wrote"); };
//   watch.Open();
//   watch.AddFiles("*.*");
#pragma once

#include <exception>
#include <string>

#include "delivery/asker.h"
#include "delivery/scoped_event.h"
#include "common/errors.h"
#include "os/progress.h"
#include "zip/archiver.h"

namespace tavisto::delivery {

// A write that found no room: the file being written ("There is not enough space on the disk
// to write ..." with its name).
class DiskFullError : public Error {
 public:
  explicit DiskFullError(const std::string& file);
  [[nodiscard]] const std::string& File() const { return file_; }

 private:
  std::string file_;
};

// A Get Data run that stopped before its Data.zip was whole, in words for the user; what became
// of the files it had written is said once they are removed (or could not all be).
class GetDataStopped : public Error {
 public:
  using Error::Error;
};

class UpdateWatch {
 public:
  // what: the work in words, for the messages ("packing the Zorvel data").
  UpdateWatch(zip::TBaseArchiver& archiver, os::ProgressSink& progress, Asker& asker, std::string what);
  UpdateWatch(const UpdateWatch&) = delete;
  UpdateWatch& operator=(const UpdateWatch&) = delete;

  // A cause one of the host's own handlers found, for a handler that then cancels: the first one
  // noted is the one the failure says ("the volume X cannot be read (...)").
  void Note(const std::string& cause);
  // An error one of the host's handlers raised, raised again as it is (a journal that cannot be
  // written).
  void NoteError(std::exception_ptr error);

  // Opens the archive in create mode (a drive without room refuses its first volume then).
  void Open();
  // Adds every file and folder matching mask under the archiver's BaseDir, whatever their
  // attributes (kGetDataAttributes; an empty mask: the archiver's FileMasks), in one update. What the update
  // left out (Skip answered) is the archiver's LeftOut().
  void AddFiles(const std::string& mask);

 private:
  // Raises what ended the step, when anything did: os::Cancelled for a stop, the error a handler
  // raised, GetDataStopped for a cause noted or Abort answered, DiskFullError for a disk full.
  void RaiseFailure();

  zip::TBaseArchiver& archiver_;
  os::ProgressSink& progress_;
  const std::string what_;
  std::string cause_;
  std::exception_ptr error_;
  std::string full_;     // the file that found no room
  std::string current_;  // the file the commit reads now
  std::string refused_;  // the last file Abort was answered for
  ScopedEvent<zip::TArcDiskFullEvent> diskFull_;
  ScopedEvent<zip::TArcConfirmProcessFileEvent> scanned_;
  ScopedEvent<zip::TArcFileProgressEvent> file_;
  ScopedEvent<zip::TArcOverallProgressEvent> overall_;
  ScopedEvent<zip::TArcProcessFileFailureEvent> failure_;
};

}  // namespace tavisto::delivery
