#include "jobs/analysis_job.h"

#include <optional>

#include "report/report_builder.h"

namespace tavisto::jobs {

AnalysisOutcome RunAnalysis(Session& session, const AnalysisFacts& facts, report::LineSink& out,
                            os::ProgressSink& progress) {
  report::ReportInputs inputs;
  inputs.identity = facts.identity;
  inputs.language = facts.language;
  inputs.dataPaths = session.DataFolders();
  // The outside tools write their "tmp.txt" in a new folder of ours, never over a file of the
  // customer's; without one they run in the current directory, where a "tmp.txt" is left alone.
  std::optional<delivery::JobFolder> tools;
  try {
    tools.emplace(session.Journal(), delivery::OwnFolder(Session::TempFolder()) + "Tools ");
    // Recorded before a tool runs, so that a list left by a killed window is known for ours.
    session.Journal().ExpectName(tools->Path() + "tmp.txt");
    inputs.tools.listFolder = tools->Path();
    // What a tool left there instead of its list is ours, as the journal proves, to clear.
    inputs.tools.clearOurs = [&session](const std::string& path) { return session.Journal().ClearExpectedName(path); };
  } catch (const std::exception&) {
    inputs.tools.listFolder.clear();
  }
  AnalysisOutcome outcome;
  try {
    outcome.problems = report::BuildAnalysisReport(inputs, out, progress).problems;
  } catch (const report::IncompleteReport& stopped) {
    outcome.stopLine = stopped.Line();
    outcome.stopText = stopped.what();
  }
  return outcome;
}

}  // namespace tavisto::jobs
