// What the program's arguments ask for: the window, an unattended run that writes the report
// and/or Data.zip to files the user names, the open of a received Data.zip into a folder, a lone
// file to open beside itself (what Explorer starts for a file dropped on the program), or the
// usage; and the exit codes of an unattended run.
//   const CommandLine asked = ParseCommandLine(os::ProgramArguments());
//   if (asked.mode == RunMode::Refused) { print asked.refusal, then UsageLines(); return kExitUsage; }
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavisto::app {

// How an unattended run ends (the process's exit code).
inline constexpr int kExitComplete = 0;    // everything asked for was written, and is complete
inline constexpr int kExitIncomplete = 1;  // written, but files were left out or the report cut short
inline constexpr int kExitUsage = 2;       // the command line is wrong (or names files it cannot be
                                           // given: one file twice, one inside a data folder): nothing
                                           // was done
inline constexpr int kExitFailed = 3;      // failed: nothing was written

enum class RunMode {
  Window,      // no arguments: the window opens
  Unattended,  // write what reportFile and dataFile ask for (at least one), no window
  Open,        // open openDataZip into openFolder, no window
  OpenBeside,  // a lone argument: open loneFile into a new folder beside it, the outcome in a message box
  Usage,       // "/?": print the usage (exit code kExitComplete)
  Refused,     // the command line is wrong: refusal says why (exit code kExitUsage)
  // Lone arguments that cannot be opened (more than one): refusal says why, in a message box,
  // since whoever gave them (Explorer) has no console (exit code kExitUsage).
  BesideRefused,
};

struct CommandLine {
  RunMode mode = RunMode::Window;
  // The files to write, as the user gave them. Get Data runs first when both are asked for,
  // so that the report has the CS.log sections it records. Whether they are one file under two
  // spellings is for the system to tell, when the run starts.
  std::optional<std::string> reportFile;
  std::optional<std::string> dataFile;
  // /open's Data.zip and the folder it is opened into, as given.
  std::optional<std::string> openDataZip;
  std::optional<std::string> openFolder;
  std::string loneFile;  // RunMode::OpenBeside only, as given
  std::string refusal;   // one line, RunMode::Refused and RunMode::BesideRefused only
};

// The arguments (UTF-8, without the program's name) as the system split the command line.
// Switches start with "/" or "-" and are matched in any case: /report FILE, /data FILE,
// /open DATAZIP FOLDER, /? (also /help). Each switch at most once, /open alone; the arguments
// after a switch are its own, unless one starts with "/" or "-" (then it is missing). Without
// any switch, one argument is a file to open beside itself.
[[nodiscard]] CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage, one line each: what /? prints, and what follows the refusal of a wrong command line.
[[nodiscard]] std::vector<std::string> UsageLines();

}  // namespace tavisto::app
