// The command line's face of the unattended run: its steps (jobs/unattended_run.h) write their
// lines to the console the program was started from, Ctrl+C or a closing console stops them,
// and how they end becomes the exit code a script acts on.
//   return RunUnattended(asked, console);   // kExitComplete ... kExitFailed
#pragma once

#include "app/command_line.h"
#include "os/console.h"

namespace tavisto::app {

// Runs what asked says (RunMode::Unattended) and returns the process's exit code.
[[nodiscard]] int RunUnattended(const CommandLine& asked, os::Console& console);

}  // namespace tavisto::app
