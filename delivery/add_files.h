// AddFiles as "Get Data" needs it: its progress shown and a stop honoured through the
// caller's progress sink, and an update that did not commit whole raised as an error the user
// sees, never an archive quietly rolled back to what it held before (which would end in
// "Finished").
#pragma once

#include <string>

#include "os/progress.h"
#include "zip/archiver.h"

namespace tavisto::delivery {

// Adds every file and folder matching mask under the archiver's BaseDir with the default
// attribute set (an empty mask: the archiver's FileMasks), reporting each file and the
// update's share done to progress. Raises os::Cancelled when progress asks to stop (the
// component undoes the update as usual) and an Error naming the file that could not be
// written when the disk fills up.
void AddFilesWatched(zip::TBaseArchiver& archiver, const std::string& mask, os::ProgressSink& progress);

}  // namespace tavisto::delivery
