// The console and message-box faces of the open: they route to the job and show its outcome.
#include "app/open_received.h"

#include <exception>

#include "app/error_box.h"
#include "jobs/open_job.h"
#include "os/dialogs.h"
#include "os/progress_dialog.h"

namespace tavisto::app {
namespace {

// The open's lines and stages on the console; a stop comes from the console's control handler.
class ConsoleOpenOutput final : public report::LineSink, public os::ProgressSink {
 public:
  ConsoleOpenOutput(os::Console& console, const os::ConsoleStop& stop) : console_(console), stop_(stop) {}
  void Add(const std::string& line) override { console_.WriteLine(line); }
  void BeginStage(const std::string& what) override { console_.WriteLine(what); }
  void Describe(const std::string&) override {}
  void Advance(double, const std::string&) override {}
  [[nodiscard]] bool StopRequested() override { return stop_.Requested(); }

 private:
  os::Console& console_;
  const os::ConsoleStop& stop_;
};

// The box has room for the outcome; the console's lines go nowhere.
class NoLines final : public report::LineSink {
 public:
  void Add(const std::string&) override {}
};

os::DialogIcon IconFor(int exitCode) {
  switch (exitCode) {
    case intake::kExitAsPacked: return os::DialogIcon::Information;
    case intake::kExitProblems: return os::DialogIcon::Warning;
    default: return os::DialogIcon::Error;
  }
}

// What the box says: the open's summary, which names the folder; when nothing was opened, why.
std::string BoxText(const intake::OpenOutcome& opened) {
  if (opened.exitCode == intake::kExitAsPacked || opened.exitCode == intake::kExitProblems) return opened.summary;
  return ErrorBoxText("Nothing was opened:\r\n" + opened.summary);
}

}  // namespace

int RunOpen(const CommandLine& asked, os::Console& console) {
  os::ConsoleStop stop;
  ConsoleOpenOutput output(console, stop);
  const intake::OpenOutcome done = jobs::OpenReceived({*asked.openDataZip, *asked.openFolder}, output, output);
  // What a stop leaves is gone: a console that is closing may end the process now.
  stop.Finished();
  if (done.exitCode == intake::kExitUsage) console.WriteErrorLine(done.summary);
  return done.exitCode;
}

int RunOpenBeside(const CommandLine& asked) {
  if (asked.mode == RunMode::BesideRefused) {
    ShowErrorBox(nullptr, asked.refusal);
    return kExitUsage;
  }
  try {
    jobs::BesideOutcome done;
    bool cancelled = false;
    {
      // No window: the dialog is a window of its own, and Cancel stops the open.
      os::ProgressDialog progress(nullptr, os::ApplicationTitle());
      NoLines lines;
      done = jobs::OpenBeside(asked.loneFile, lines, progress);
      cancelled = progress.StopRequested();
      progress.Close();
    }
    if (cancelled && done.opened.exitCode == intake::kExitNothingOpened) {
      // Asked for, so no error: the open has removed what it wrote.
      os::ShowDialog(nullptr, "Opening " + done.dataZip + " was cancelled: nothing of it was kept.",
                     os::DialogIcon::None, {os::DialogAnswer::Ok});
      return done.opened.exitCode;
    }
    os::ShowDialog(nullptr, BoxText(done.opened), IconFor(done.opened.exitCode), {os::DialogAnswer::Ok});
    return done.opened.exitCode;
  } catch (const std::exception& error) {
    ShowErrorBox(nullptr, error);
    return kExitFailed;
  }
}

}  // namespace tavisto::app
