// Opening a Data.zip a customer sent, as both faces run it: the checks before the work, then the
// open itself (intake/). The command line names the folder; a file dropped on the program is
// opened into a folder made new beside it.
//   const intake::OpenOutcome done = jobs::OpenReceived({dataZip, folder}, lines, progress);
//   const jobs::BesideOutcome done = jobs::OpenBeside(dataZip, lines, progress);
#pragma once

#include <string>

#include "intake/open_data_zip.h"

namespace tavisto::jobs {

// request.dataZip opened into request.folder. When the folder is the Data.zip itself, however
// spelled, nothing is done: exit code kExitUsage, the summary says why. A Data.zip that is a
// folder or cannot be found is not opened (kExitNothingOpened), said as the open says it.
[[nodiscard]] intake::OpenOutcome OpenReceived(const intake::OpenRequest& request, report::LineSink& lines,
                                               os::ProgressSink& progress);

// The name of the folder a Data.zip is opened into beside itself: the file's name without its
// extension, then " (opened)", " (opened 2)", ... for number 1, 2, ...
[[nodiscard]] std::string BesideFolderName(const std::string& fileName, unsigned number);

struct BesideOutcome {
  intake::OpenOutcome opened;
  std::string dataZip;  // the file, as a full path
  std::string folder;   // the folder it was opened into; "" when nothing was opened
};

// dataZip opened into the first of BesideFolderName's folders beside it that can be made new
// (never one already there); something that is not a file is not opened, and no folder made.
// When nothing could be opened, the folder made for it goes again.
[[nodiscard]] BesideOutcome OpenBeside(const std::string& dataZip, report::LineSink& lines,
                                       os::ProgressSink& progress);

}  // namespace tavisto::jobs
