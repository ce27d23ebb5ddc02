// Start Analysis as a job, with no window of its own: the report written in one pass into the
// caller's line sink (the window's memo, or a file), the outside tools run in a folder of the
// session's, and an outcome that says whether the report is whole.
//   const AnalysisOutcome done = RunAnalysis(session, facts, memo, progress);
//   if (done.Stopped()) memo.End(done.stopLine);
#pragma once

#include <string>
#include <vector>

#include "jobs/session.h"
#include "os/progress.h"
#include "report/line_sink.h"
#include "report/section_lines.h"

namespace tavisto::jobs {

struct AnalysisFacts {
  report::IdentityFacts identity;  // in the report's code page
  std::string language;            // the user's language code (it_IT), or ""
};

struct AnalysisOutcome {
  // Empty when the report runs to its end; else why it ends early: for the report's last line
  // (code page) and for a message (UTF-8).
  std::string stopLine;
  std::string stopText;
  // What the report could not read although it went on (a value, a log, a tool), one line each
  // (UTF-8), as the report names it: an unattended run counts these as incomplete.
  std::vector<std::string> problems;
  [[nodiscard]] bool Stopped() const { return !stopText.empty(); }
  [[nodiscard]] bool Complete() const { return !Stopped() && problems.empty(); }
};

// Writes the report into out, its CS.log sections from the data folders the session recorded.
// A step that fails ends the report there (the outcome says so); a stop asked through progress
// raises os::Cancelled within a moment.
[[nodiscard]] AnalysisOutcome RunAnalysis(Session& session, const AnalysisFacts& facts, report::LineSink& out,
                                          os::ProgressSink& progress);

}  // namespace tavisto::jobs
