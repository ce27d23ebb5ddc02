// The program without its window, for IT desks and scripts: the report and Data.zip written to
// the files the command line names, one line per step to the console it was started from, and
// an exit code a script can act on. Nothing asks and nothing waits for a person: a file another
// program holds is tried again for a few seconds, then left out and named.
//   return RunUnattended(asked, console);   // kExitComplete, kExitIncomplete or kExitFailed
#pragma once

#include "app/command_line.h"
#include "os/console.h"

namespace tavisto::app {

// Runs what asked says (RunMode::Unattended): Get Data first, so that the report has the CS.log
// sections it records; without it, the report's data folders are looked up as Get Data would
// read them. The files asked for are replaced only once every one of them is whole; a run that
// fails replaces none.
[[nodiscard]] int RunUnattended(const CommandLine& asked, os::Console& console);

}  // namespace tavisto::app
