// AddFiles as "Get Data" needs it: its progress shown and a stop honoured through the
// caller's progress sink, and an update that did not commit whole raised as an error the user
// sees, never an archive quietly rolled back to what it held before (which would end in
// "Finished").
#pragma once

#include <string>

#include "os/errors.h"
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

// Adds every file and folder matching mask under the archiver's BaseDir with the default
// attribute set (an empty mask: the archiver's FileMasks), reporting each file and the
// update's share done to progress. An update that does not commit is undone by the component
// as usual and raised here: os::Cancelled when progress asked to stop; a DiskFullError naming
// the file that could not be written when the disk filled up; GetDataStopped when Abort was the
// answer to a file that could not be read. what says what was being
// done, for that message ("packing the Zorvel data"). The sources the update left out (Ignored) are
// the archiver's LeftOut().
void AddFilesWatched(zip::TBaseArchiver& archiver, const std::string& mask, const std::string& what,
                     os::ProgressSink& progress);

}  // namespace tavisto::delivery
