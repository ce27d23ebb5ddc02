// The codec and device inventories that outside programs beside Tavisto produce: each tool
// is looked for in the current directory and started with its fixed command line in the list
// folder (a new folder of the window's own, so that its "tmp.txt" can be no file of the
// customer's), and its "tmp.txt" copied into the report and deleted; a missing tool leaves a
// notice instead. Only a list the tool wrote itself is read, and only that is deleted: a
// "tmp.txt" that is there before it starts stays (unless the session proves it ours), and the
// tool is not run (the section says so); a tool that crashes or runs too long has its list left
// out, and what a tool leaves running is stopped. Whatever keeps a section from holding a whole
// list (a tool that cannot start, ends with an error code or writes no list; a list that is not
// text, too long or unreadable) is one line there and one of the report's problems; the report
// goes on.
//   WriteCodecSection(out, {kToolTimeLimitMs, listFolder}, problems, &progress);
//   WriteDeviceSection(out, DeviceToolIsSixtyFourBit(), {kToolTimeLimitMs, listFolder}, problems, &progress);
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "os/progress.h"
#include "report/line_sink.h"
#include "report/problems.h"

namespace tavisto::report {

// How long the report waits for a tool before it stops it: the window is frozen meanwhile,
// and a real inventory takes seconds.
inline constexpr uint32_t kToolTimeLimitMs = 60000;
// The most of a tool's list the report takes: a real inventory is some kilobytes, and a list of
// hundreds of megabytes would make a report nobody can open or mail.
inline constexpr uint64_t kLargestToolList = 16 * 1024 * 1024;

// How the tools are run.
struct ToolRun {
  explicit ToolRun(uint32_t timeLimit = kToolTimeLimitMs, std::string folder = {})
      : timeLimitMs(timeLimit), listFolder(std::move(folder)) {}
  uint32_t timeLimitMs;
  // The tools' current directory, where their "tmp.txt" is written; empty: the program's own.
  std::string listFolder;
  uint64_t listLimit = kLargestToolList;
  // Clears the list's name of what a tool of ours left there instead of a list (a folder), when
  // the session's records prove it ours; true when nothing is left there. Empty: nothing is.
  std::function<bool(const std::string& path)> clearOurs;
};

// Whether the device tool to run is the one for 64-bit Windows. A 64-bit build can only be
// running on 64-bit Windows; a 32-bit build asks os::IsRunningOnWow64.
[[nodiscard]] bool DeviceToolIsSixtyFourBit();

// The codec list from "InstalledCodec.exe", or an empty line and its notice. While the tool
// runs, progress (when given) says what is waited for and how long at most; a stop it asks
// for stops the tool, removes its "tmp.txt" and raises os::Cancelled.
void WriteCodecSection(LineSink& out, const ToolRun& run, Problems& problems, os::ProgressSink* progress = nullptr);

// The device list from "DevManView-64.exe" (64-bit Windows) or "DevManView.exe" (32-bit
// Windows, its lines without NUL characters), or an empty line and the device notice;
// progress as for the codecs.
void WriteDeviceSection(LineSink& out, bool sixtyFourBitSystem, const ToolRun& run, Problems& problems,
                        os::ProgressSink* progress = nullptr);

}  // namespace tavisto::report
