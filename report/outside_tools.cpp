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

// The folder with one backslash at its end.
std::string InFolder(std::string folder, const char* name) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + name;
}

void WriteToolSection(const Tool& tool, LineSink& out, const ToolRun& toolRun, os::ProgressSink* progress) {
  const uint32_t timeLimitMs = toolRun.timeLimitMs;
  const std::string program = InFolder(os::CurrentDirectory(), tool.file);
  if (!os::FileExists(program)) {
    out.Add("");
    out.Add(MissingToolNotice(tool.noticeName));
    return;
  }
  const std::string output =
      InFolder(toolRun.listFolder.empty() ? os::CurrentDirectory() : toolRun.listFolder, kToolOutputFile);
  if (os::FileAttributes(output) != os::kInvalidAttributes) {
    out.Add("");
    out.Add(StaleOutputNotice(tool.noticeName, output));
    return;
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
}

}  // namespace

bool DeviceToolIsSixtyFourBit() {
  if constexpr (sizeof(void*) == 8) return true;
  return os::IsRunningOnWow64();
}

void WriteCodecSection(LineSink& out, const ToolRun& run, os::ProgressSink* progress) {
  WriteToolSection(Tool{kCodecTool, kCodecCommand, kCodecToolName, false}, out, run, progress);
}

void WriteDeviceSection(LineSink& out, bool sixtyFourBitSystem, const ToolRun& run, os::ProgressSink* progress) {
  if (sixtyFourBitSystem)
    WriteToolSection(Tool{kDeviceTool64, kDeviceCommand64, kDeviceToolName, false}, out, run, progress);
  else
    WriteToolSection(Tool{kDeviceTool32, kDeviceCommand32, kDeviceToolName, true}, out, run, progress);
}

}  // namespace tavisto::report
