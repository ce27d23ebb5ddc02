// TForm1's "Start Analysis" handler: the analysis job writes the report into the memo under the
// progress dialog, and the handler says how the report ended.
#include "app/main_window.h"

#include "app/busy_cursor.h"
#include "app/error_box.h"
#include "jobs/analysis_job.h"
#include "os/dialogs.h"
#include "os/progress_dialog.h"

namespace tavisto::app {
namespace {

constexpr char kCancelledLine[] = "The analysis was cancelled: the report is incomplete.";

// What the report could not read, named in its place in the report; the first few here too, so
// that they are not taken for a plain "Finish".
std::string UnreadPartsText(const std::vector<std::string>& problems) {
  constexpr size_t kNamed = 3;
  std::string text = "The report could not read everything; it says so at each place:";
  for (size_t i = 0; i < problems.size() && i < kNamed; ++i) text += "\r\n" + problems[i];
  if (problems.size() > kNamed) text += "\r\nand " + std::to_string(problems.size() - kNamed) + " more.";
  return text;
}

}  // namespace

void TForm1::Btn_StartAnalisysClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  Memo1.Clear();
  // Only a whole report may be saved or mailed: one cut off leaves the result buttons off until
  // an analysis ends normally.
  const auto resultButtons = [this](BOOL enabled) {
    EnableWindow(Btn_SaveResult, enabled);
    EnableWindow(Btn_SendResultEmail, enabled);
  };
  // The dialog stays up, with its Cancel, until the memo shows the whole report.
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  jobs::AnalysisOutcome outcome;
  try {
    outcome = jobs::RunAnalysis(Session(), AnalysisFacts(), Memo1, progress);
  } catch (const os::Cancelled&) {
    // What the memo shows stays, and says that the rest is missing.
    Memo1.Abandon(kCancelledLine);
    progress.Close();
    resultButtons(FALSE);
    return;
  }
  if (outcome.Stopped()) {
    Memo1.End(outcome.stopLine);
    progress.Close();
    resultButtons(FALSE);
    cursor.Restore();
    ShowErrorBox(handle_, outcome.stopText);
    return;
  }
  std::string news = Memo1.End();
  progress.Close();
  if (!outcome.problems.empty()) news += (news.empty() ? "" : "\r\n\r\n") + UnreadPartsText(outcome.problems);
  // Text the memo could not take is news the user must not take for a plain "Finish".
  if (news.empty())
    Say("Finish", os::DialogIcon::None);
  else
    Say("Finish\r\n\r\n" + news, os::DialogIcon::Warning);
  resultButtons(TRUE);
  cursor.Restore();
}

}  // namespace tavisto::app
