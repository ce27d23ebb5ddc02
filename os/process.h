// Child processes: start a command line, wait for it within a time limit, read its exit
// code; and the WOW64 probe (a 32-bit process on 64-bit Windows).
//   auto run = os::RunAndWait("tool.exe /stext tmp.txt", os::kShowNormal, 60000);
//   if (run.outcome == os::RunOutcome::TimedOut) ...
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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
};

// Asked a few times a second while a child runs: false stops the child (RunOutcome::Cancelled).
using KeepWaiting = std::function<bool()>;

struct RunResult {
  RunOutcome outcome = RunOutcome::NotStarted;
  uint32_t exitCode = 0;
  uint32_t error = 0;  // why it could not be started
};

// Starts the command line (no application name: the system's search for the executable
// applies) with handle inheritance, the caller's environment and current directory, the
// window shown as showState; waits up to timeLimitMs (kWaitForever: no limit). A process that
// is still running at the limit is terminated, so it can neither hold nor later rewrite the
// files it was given. keepWaiting, when given, is asked while the child runs; a child the
// caller no longer waits for is terminated the same way.
[[nodiscard]] RunResult RunAndWait(const std::string& commandLine, uint16_t showState,
                                   uint32_t timeLimitMs, const KeepWaiting& keepWaiting = {});

// IsWow64Process for the current process, looked up by name in kernel32.dll: nothing when the
// system lacks the query; OSError when kernel32 cannot be loaded or the query fails.
[[nodiscard]] std::optional<bool> QueryWow64Process();
// The same answer where nothing may fail: false when the query is missing or fails.
[[nodiscard]] bool RunningUnderWow64() noexcept;

}  // namespace tavisto::os
