// The tool sections on the OS layer's child processes and the report's line reader.
#include "report/outside_tools.h"

#include "common/path_parts.h"
#include "common/size_text.h"
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

// Removes the tool's list when the section ends, however it ends (a stop asked for while the
// list is copied included): a list left behind is not the next tool's.
class ListRemover {
 public:
  explicit ListRemover(std::string path) : path_(std::move(path)) {}
  ListRemover(const ListRemover&) = delete;
  ListRemover& operator=(const ListRemover&) = delete;
  ~ListRemover() { (void)os::RemoveFile(path_); }

 private:
  std::string path_;
};

// What stands at a name the tool's list needs, in a few words for the line that says it is taken.
std::string WhatIsAt(const std::string& path, uint32_t attributes) {
  if (attributes & os::kAttrReparsePoint) return "a link";
  if (attributes & os::kAttrDirectory) return "a folder";
  auto file = os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
  const auto size = file ? file->Size() : std::nullopt;
  return size ? "a file of " + SizeText(static_cast<uint64_t>(*size), SizeStyle::Bytes) : "a file";
}

// A line that stands in place of a tool's list, and the same words among the report's problems.
void InPlaceOfList(const std::string& line, LineSink& out, Problems& problems) {
  out.Add("");
  out.Add(line);
  problems.Add(line.substr(line.find_first_not_of(' ')));
}

void WriteToolSection(const Tool& tool, LineSink& out, const ToolRun& toolRun, Problems& problems,
                      os::ProgressSink* progress) {
  const uint32_t timeLimitMs = toolRun.timeLimitMs;
  const std::string program = PathIn(os::CurrentDirectory(), tool.file);
  if (!os::FileExists(program)) {
    out.Add("");
    out.Add(MissingToolNotice(tool.noticeName));
    return;
  }
  const std::string output =
      PathIn(toolRun.listFolder.empty() ? os::CurrentDirectory() : toolRun.listFolder, kToolOutputFile);
  if (const uint32_t there = os::FileAttributes(output); there != os::kInvalidAttributes) {
    if (!toolRun.clearOurs || !toolRun.clearOurs(output))
      return InPlaceOfList(StaleOutputNotice(tool.noticeName, output, WhatIsAt(output, there)), out, problems);
  }
  const ListRemover remover(output);
  out.Flush();
  // Nothing can estimate a tool's time: the display names it and its bound instead.
  os::KeepWaiting keepWaiting;
  if (progress) {
    progress->Waiting(WaitingForToolText(tool.file, timeLimitMs));
    keepWaiting = [progress] { return !progress->StopRequested(); };
  }
  // Started by the full path of the file found: by bare name the system's search would take a
  // file of that name from the program's own folder first.
  const os::RunResult run =
      os::Run({program, tool.commandLine, os::kShowNormal, timeLimitMs, keepWaiting, toolRun.listFolder});
  if (progress) progress->Waiting("");
  switch (run.outcome) {
    case os::RunOutcome::Cancelled:
      throw os::Cancelled();  // its list, cut off somewhere, goes with the section
    case os::RunOutcome::TimedOut:
    case os::RunOutcome::Crashed:
      // Whatever it wrote is cut off somewhere; it must not pass for a list, now or in the
      // next section that reads "tmp.txt".
      return InPlaceOfList(run.outcome == os::RunOutcome::Crashed ? CrashedToolNotice(tool.noticeName, run.exitCode)
                                                                  : StoppedToolNotice(tool.noticeName, timeLimitMs),
                           out, problems);
    case os::RunOutcome::NotStarted:
      return InPlaceOfList(FailureText(std::string(tool.file) + " could not be started", run.error), out, problems);
    case os::RunOutcome::Ended:
      break;
  }
  const uint32_t made = os::FileAttributes(output);
  if (made != os::kInvalidAttributes && (made & os::kAttrDirectory)) {
    // Gone again when it is provably ours, so that the next tool can write its list there.
    if (toolRun.clearOurs) (void)toolRun.clearOurs(output);
    return InPlaceOfList(FolderListText(tool.file), out, problems);
  }
  if (made == os::kInvalidAttributes) return InPlaceOfList(ToolExitText(tool.file, run.exitCode, false), out, problems);
  problems.Add(CopyToolList(output, tool.file, tool.removeNuls, toolRun.listLimit, out));
  // A list followed by an error code may have been cut short by what went wrong.
  if (run.exitCode != 0) {
    out.Add(ToolExitText(tool.file, run.exitCode, true));
    problems.Add(ToolExitText(tool.file, run.exitCode, true));
  }
}

}  // namespace

bool DeviceToolIsSixtyFourBit() {
  if constexpr (sizeof(void*) == 8) return true;
  return os::IsRunningOnWow64();
}

void WriteCodecSection(LineSink& out, const ToolRun& run, Problems& problems, os::ProgressSink* progress) {
  WriteToolSection(Tool{kCodecTool, kCodecCommand, kCodecToolName, false}, out, run, problems, progress);
}

void WriteDeviceSection(LineSink& out, bool sixtyFourBitSystem, const ToolRun& run, Problems& problems,
                        os::ProgressSink* progress) {
  if (sixtyFourBitSystem)
    WriteToolSection(Tool{kDeviceTool64, kDeviceCommand64, kDeviceToolName, false}, out, run, problems, progress);
  else
    WriteToolSection(Tool{kDeviceTool32, kDeviceCommand32, kDeviceToolName, true}, out, run, problems, progress);
}

}  // namespace tavisto::report
