// Files and folders turned into report lines: every file below a folder, and the text files the
// report copies line by line (a product's CS.log, a tool's list), each as it stood when opened.
//   ListFiles("C:\\Apps\\Zorvel", "*.*", out);
//   const std::string problem = CopyCsLog(dataFolder, out);
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

// Appends the lines of the folder's "CS.log" (one backslash between them), as far as the log
// reached when it was opened. Nothing when the folder is "" or the file is missing. A log that
// cannot be read (held open without sharing, say) does not end the report: the lines read so far
// stay and one line says why the rest is missing; a log that grew while it was read ends with a
// line that says so. Returns that line's words in UTF-8 ("" when the log was copied whole).
[[nodiscard]] std::string CopyCsLog(const std::string& folder, LineSink& out);

// Appends the lines of a tool's list (toolFile names the tool), each without its NULs when
// removeNuls: nothing but one line when it is not text; its first limit bytes and a line that
// says it was cut when it is longer; a line when it cannot be read. Returns what kept the list
// from being whole, in UTF-8, for the report's problems ("" when nothing did).
[[nodiscard]] std::string CopyToolList(const std::string& path, const std::string& toolFile, bool removeNuls,
                                       uint64_t limit, LineSink& out);

// The line that stands for a file that could not be read (a UTF-8 path), with the system's
// reason, in the report's code page.
[[nodiscard]] std::string UnreadableFileLine(const std::string& path, uint32_t errorCode);

}  // namespace tavisto::report
