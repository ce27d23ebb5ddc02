// AddFiles as "Get Data" needs it: a disk that fills up is an error the user sees, not an
// archive quietly rolled back to what it held before (which would end in "Finished").
#pragma once

#include <string>

#include "zip/archiver.h"

namespace tavisto::delivery {

// Adds every file and folder matching mask under the archiver's BaseDir with the default
// attribute set. When the disk fills up (a volume cannot be opened for want of room, or data
// cannot be written), the component undoes the update as usual and this raises an Error that
// names the file that could not be written.
void AddFilesReportingFullDisk(zip::TBaseArchiver& archiver, const std::string& mask);

}  // namespace tavisto::delivery
