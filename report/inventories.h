// Files and folders turned into report lines: every file below a folder, and a product's
// CS.log copied line by line.
//   ListFiles("C:\\Apps\\Zorvel", "*.*", out);
//   CopyCsLog(dataFolder, out);
#pragma once

#include <string>

#include "report/line_sink.h"

namespace tavisto::report {

// Appends the full path (UTF-8) of every file below the folder whose extension passes the mask,
// depth first in the file system's order: each sub-folder's files stand where the sub-folder
// was met. Hidden entries are listed; system entries, and everything below a system folder,
// are not; nor is anything below a folder that is a link. Each path has exactly one backslash
// after the folder, given with or without one.
void ListFiles(const std::string& folder, const std::string& mask, LineSink& out);

// Appends the lines of folder + "\CS.log". Nothing when the folder is "" or the file is
// missing. A log that cannot be read (held open without sharing, say) does not end the report:
// the lines read so far stay and one line says why the rest is missing.
void CopyCsLog(const std::string& folder, LineSink& out);

// The line that stands for a file that could not be read (a UTF-8 path), with the system's
// reason, in the report's code page.
[[nodiscard]] std::string UnreadableFileLine(const std::string& path, uint32_t errorCode);

}  // namespace tavisto::report
