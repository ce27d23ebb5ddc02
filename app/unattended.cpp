#include "app/unattended.h"

#include "jobs/unattended_run.h"

namespace tavisto::app {
namespace {

class ConsoleOutput final : public jobs::RunOutput {
 public:
  ConsoleOutput(os::Console& console, const os::ConsoleStop& stop) : console_(console), stop_(stop) {}
  void Line(std::string_view line) override { console_.WriteLine(line); }
  void ErrorLine(std::string_view line) override { console_.WriteErrorLine(line); }
  [[nodiscard]] bool StopRequested() override { return stop_.Requested(); }

 private:
  os::Console& console_;
  const os::ConsoleStop& stop_;
};

int ExitCode(jobs::RunEnd end) {
  switch (end) {
    case jobs::RunEnd::Complete: return kExitComplete;
    case jobs::RunEnd::Incomplete: return kExitIncomplete;
    case jobs::RunEnd::Refused: return kExitUsage;
    case jobs::RunEnd::Failed: return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace

int RunUnattended(const CommandLine& asked, os::Console& console) {
  os::ConsoleStop stop;
  ConsoleOutput output(console, stop);
  const jobs::RunEnd end = jobs::RunUnattended(jobs::UnattendedRequest{asked.reportFile, asked.dataFile}, output);
  // Its files are gone or in place: a console that is closing may end the process now.
  stop.Finished();
  return ExitCode(end);
}

}  // namespace tavisto::app
