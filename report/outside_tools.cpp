// The tool sections on the OS layer's child processes and the report's line reader.
#include "report/outside_tools.h"

#include "os/files.h"
#include "os/os_error.h"
#include "os/process.h"
#include "os/progress.h"
#include "report/inventories.h"
#include "report/report_texts.h"
#include "report/section_lines.h"
#include "report/text_lines.h"

namespace tavisto::report {
namespace {

struct Tool {
  const char* file;         // looked for in the current directory, and started from there
  const char* commandLine;  // what the tool sees as its command line
  const char* noticeName;
  bool removeNuls;
};

void WriteToolSection(const Tool& tool, LineSink& out, uint32_t timeLimitMs, const os::KeepWaiting& keepWaiting) {
  const std::string folder = os::CurrentDirectory();
  const std::string program = folder + "\\" + tool.file;
  if (!os::FileExists(program)) {
    out.Add("");
    out.Add(MissingToolNotice(tool.noticeName));
    return;
  }
  const std::string output = folder + "\\" + kToolOutputFile;
  if (os::FileAttributes(output) != os::kInvalidAttributes && !os::RemoveFile(output)) {
    out.Add("");
    out.Add(StaleOutputNotice(tool.noticeName, output, os::LastErrorCode()));
    return;
  }
  // Started by the full path of the file found: by bare name the system's search would take a
  // file of that name from the program's own folder first.
  const os::RunResult run = os::Run({program, tool.commandLine, os::kShowNormal, timeLimitMs, keepWaiting});
  switch (run.outcome) {
    case os::RunOutcome::Cancelled:
      (void)os::RemoveFile(output);  // a list cut off somewhere
      throw os::Cancelled();
    case os::RunOutcome::TimedOut:
    case os::RunOutcome::Crashed:
      // Whatever it wrote is cut off somewhere; it must not pass for a list, now or in the
      // next section that reads "tmp.txt".
      (void)os::RemoveFile(output);
      out.Add("");
      out.Add(run.outcome == os::RunOutcome::Crashed ? CrashedToolNotice(tool.noticeName, run.exitCode)
                                                     : StoppedToolNotice(tool.noticeName, timeLimitMs));
      return;
    case os::RunOutcome::NotStarted:
    case os::RunOutcome::Ended:
      break;
  }
  // A tool that could not start, or wrote nothing, gives no lines (its exit code is not ours
  // to judge).
  if (!os::FileExists(output)) return;
  // A list that cannot be read (held by another program) is one line; the report goes on.
  if (const auto failure = ReadTextLines(output, [&](const std::string& line) {
        out.Add(tool.removeNuls ? WithoutNuls(line) : line);
      }))
    out.Add(UnreadableFileLine(output, *failure));
  (void)os::RemoveFile(output);
}

}  // namespace

bool DeviceToolIsSixtyFourBit() {
  if constexpr (sizeof(void*) == 8) return true;
  return os::IsRunningOnWow64();
}

void WriteCodecSection(LineSink& out, uint32_t timeLimitMs, const os::KeepWaiting& keepWaiting) {
  WriteToolSection(Tool{kCodecTool, kCodecCommand, kCodecToolName, false}, out, timeLimitMs, keepWaiting);
}

void WriteDeviceSection(LineSink& out, bool sixtyFourBitSystem, uint32_t timeLimitMs,
                        const os::KeepWaiting& keepWaiting) {
  if (sixtyFourBitSystem)
    WriteToolSection(Tool{kDeviceTool64, kDeviceCommand64, kDeviceToolName, false}, out, timeLimitMs, keepWaiting);
  else
    WriteToolSection(Tool{kDeviceTool32, kDeviceCommand32, kDeviceToolName, true}, out, timeLimitMs, keepWaiting);
}

}  // namespace tavisto::report
