#include "app/unattended.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "delivery/asker.h"
#include "delivery/desktop_save.h"
#include "delivery/manifest.h"
#include "delivery/replacing_file.h"
#include "jobs/analysis_job.h"
#include "jobs/get_data_job.h"
#include "jobs/machine_facts.h"
#include "jobs/session.h"
#include "os/progress.h"
#include "report/file_lines.h"
#include "sysinfo/exe_info.h"
#include "sysinfo/system_info.h"

namespace tavisto::app {
namespace {

// Each stage of a job is one line on the console; nobody can ask to stop.
class ConsoleProgress final : public os::ProgressSink {
 public:
  explicit ConsoleProgress(os::Console& console) : console_(console) {}
  void BeginStage(const std::string& what) override { console_.WriteLine(what); }
  void Describe(const std::string&) override {}
  void Advance(double, const std::string&) override {}
  [[nodiscard]] bool StopRequested() override { return false; }

 private:
  os::Console& console_;
};

}  // namespace

int RunUnattended(const CommandLine& asked, os::Console& console) {
  try {
    // The files asked for are opened first: a folder that does not exist stops the run before
    // any work is done.
    std::optional<delivery::ReplacingFile> dataOut, reportOut;
    if (asked.dataFile) dataOut.emplace(delivery::ReplacingFile::Open(*asked.dataFile));
    if (asked.reportFile) reportOut.emplace(delivery::ReplacingFile::Open(*asked.reportFile));
    const sysinfo::TSystemInfo system;
    const sysinfo::TExeInfo exe;
    jobs::Session session;
    delivery::UnattendedAsker asker;
    ConsoleProgress progress(console);
    std::vector<std::string> incomplete;  // what the output names: each file left out, a report cut short

    if (dataOut) {
      jobs::GetDataJob job(session, asker, jobs::RunFactsOf(system, exe));
      job.Prepare();
      const jobs::GetDataOutcome done = job.Run(progress);
      delivery::CopyFileInto(done.dataZip.path, dataOut->File());
      for (const zip::LeftOutFile& file : done.leftOut)
        incomplete.push_back("Left out of Data.zip: " + file.path + " (" +
                             delivery::LeftOutReason(file, asker.LeftOutAnswer(file)) + ")");
    } else if (reportOut) {
      // The report's CS.log sections read the data folders Get Data would pack; nothing is packed.
      session.RecordDataFolders(delivery::PlanGetData().dataPaths);
    }
    if (reportOut) {
      report::FileLines lines(reportOut->File(), reportOut->Path());
      const jobs::AnalysisOutcome done = jobs::RunAnalysis(session, jobs::AnalysisFactsOf(system, exe), lines, progress);
      if (done.Stopped()) {
        lines.Add(done.stopLine);
        incomplete.push_back(done.stopText);
      }
      incomplete.insert(incomplete.end(), done.problems.begin(), done.problems.end());
      lines.Flush();
    }

    if (dataOut) {
      dataOut->Commit();
      console.WriteLine("Data.zip written to " + dataOut->Path());
    }
    if (reportOut) {
      reportOut->Commit();
      console.WriteLine("Report written to " + reportOut->Path());
    }
    for (const std::string& line : incomplete) console.WriteLine(line);
    if (!incomplete.empty()) {
      console.WriteLine("Written, but incomplete.");
      return kExitIncomplete;
    }
    return kExitComplete;
  } catch (const std::exception& error) {
    console.WriteErrorLine(std::string("Nothing was written: ") + error.what());
    return kExitFailed;
  }
}

}  // namespace tavisto::app
