// The tool sections on the OS layer's child processes and the report's line reader.
#include "report/outside_tools.h"

#include "os/errors.h"
#include "os/files.h"
#include "os/process.h"
#include "os/progress.h"
#include "report/report_texts.h"
#include "report/section_lines.h"
#include "report/text_lines.h"

namespace tavisto::report {
namespace {

struct Tool {
  const char* file;         // looked for in the current directory
  const char* commandLine;  // names the tool without a folder
  const char* noticeName;
  bool removeNuls;
};

void WriteToolSection(const Tool& tool, LineSink& out, uint32_t timeLimitMs, const os::KeepWaiting& keepWaiting) {
  if (!os::FileExists(os::CurrentDirectory() + "\\" + tool.file)) {
    out.Add("");
    out.Add(MissingToolNotice(tool.noticeName));
    return;
  }
  const os::RunResult run = os::RunAndWait(tool.commandLine, os::kShowNormal, timeLimitMs, keepWaiting);
  if (run.outcome == os::RunOutcome::Cancelled) {
    (void)os::RemoveFile(kToolOutputFile);  // a list cut off somewhere
    throw os::Cancelled();
  }
  if (run.outcome == os::RunOutcome::TimedOut) {
    // Whatever it wrote is cut off somewhere; it must not pass for a list, now or in the next
    // section that reads "tmp.txt".
    (void)os::RemoveFile(kToolOutputFile);
    out.Add("");
    out.Add(StoppedToolNotice(tool.noticeName, timeLimitMs));
    return;
  }
  // A tool that could not start, or wrote nothing, gives no lines (its exit code is not ours
  // to judge).
  if (!os::FileExists(kToolOutputFile)) return;
  const auto failure = ReadTextLines(kToolOutputFile, [&](const std::string& line) {
    out.Add(tool.removeNuls ? WithoutNuls(line) : line);
  });
  if (failure) throw InOutError(*failure);
  (void)os::RemoveFile(kToolOutputFile);
}

}  // namespace

bool IsRunningOnWow64() { return os::QueryWow64Process().value_or(false); }

bool DeviceToolIsSixtyFourBit() {
  if constexpr (sizeof(void*) == 8) return true;
  return IsRunningOnWow64();
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
