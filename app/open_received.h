// The two faces of opening a Data.zip a customer sent (jobs/open_job.h): /open DATAZIP FOLDER on
// the console, one line a step, Ctrl+C or a closing console a stop; and a lone file (what
// Explorer starts for a file dropped on the program, or "Open with"), opened beside itself under
// the shell's progress dialog, the outcome in one message box and no window.
//   if (asked.mode == RunMode::Open) return RunOpen(asked, console);
//   if (asked.mode == RunMode::OpenBeside) return RunOpenBeside(asked);
#pragma once

#include "app/command_line.h"
#include "os/console.h"

namespace tavisto::app {

// RunMode::Open: the open's exit code (kExitComplete: every file as packed ... kExitFailed).
[[nodiscard]] int RunOpen(const CommandLine& asked, os::Console& console);

// RunMode::OpenBeside and RunMode::BesideRefused: the exit code, once the box is closed.
[[nodiscard]] int RunOpenBeside(const CommandLine& asked);

}  // namespace tavisto::app
