// Child processes: start a program, wait for it within a time limit, read how it ended; and
// the WOW64 probe (a 32-bit process on 64-bit Windows). Every child the program runs goes
// through Run, so a limit, a Cancel and the clean-up of what the child left running act alike.
//   auto run = os::Run({.program = folder + "\\tool.exe", .commandLine = "tool.exe /stext tmp.txt",
//                       .timeLimitMs = 60000});
//   if (run.outcome == os::RunOutcome::Crashed) ...
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tavisto::os {

inline constexpr uint16_t kShowNormal = 1;   // SW_SHOWNORMAL
inline constexpr uint32_t kWaitForever = 0xFFFFFFFF;
inline constexpr uint32_t kStillActive = 259;  // the exit code of a process still running
// The longest command line the program hands to the system (a 260-character buffer).
inline constexpr size_t kMaxCommandLine = 259;

enum class RunOutcome {
  NotStarted,  // the process could not be created (or the command line was too long)
  Ended,       // it ended within the limit; exitCode is its exit code
  TimedOut,    // it ran past the limit and was stopped
  Cancelled,   // the caller stopped waiting, and the process was stopped
  Crashed,     // an unhandled exception ended it, or a crash handler took hold of it (and it
               // was stopped); exitCode is the exception code when known, else 0
};

// Asked a few times a second while a child runs: false stops the child (RunOutcome::Cancelled).
using KeepWaiting = std::function<bool()>;

struct RunResult {
  RunOutcome outcome = RunOutcome::NotStarted;
  uint32_t exitCode = 0;
  uint32_t error = 0;  // why it could not be started
};

struct RunRequest {
  // The executable file to start. Empty: the system searches for the command line's first
  // word (the program's own folder first, then the current directory, ...).
  std::string program;
  std::string commandLine;  // what the child sees as its command line, kMaxCommandLine at most
  uint16_t showState = kShowNormal;
  uint32_t timeLimitMs = kWaitForever;
  KeepWaiting keepWaiting;  // when given, asked while the child runs
  std::string workingFolder;  // the child's current directory; empty: the caller's
};

// Starts the program with handle inheritance, the caller's environment, the current directory asked for,
// the window shown as showState, and waits for it up to timeLimitMs. The child inherits an
// error mode that lets a crash end it instead of opening a crash dialog, and a child held by a
// crash handler (Wine's debugger, a just-in-time debugger) counts as crashed at once. A child
// past its limit, one the caller stops waiting for and a crashed one are terminated. Whatever
// the child started is terminated with it when Run returns (the child and its descendants
// share a job), so nothing it left running can hold or later rewrite the files it was given.
[[nodiscard]] RunResult Run(const RunRequest& request);

// True for a 32-bit process on 64-bit Windows: IsWow64Process for the current process, looked
// up by name in kernel32.dll; false on systems that lack the query. OSError when kernel32
// cannot be loaded or the query fails.
[[nodiscard]] bool IsRunningOnWow64();

}  // namespace tavisto::os
