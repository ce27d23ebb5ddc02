// TForm1's "Start Analysis" handler: it gathers what the window holds, has the report written
// into the memo under the progress dialog, and says how the report ended.
#include "app/main_window.h"

#include "app/busy_cursor.h"
#include "app/error_box.h"
#include "delivery/own_files.h"
#include "lookups/known_folders.h"
#include "os/dialogs.h"
#include "os/progress_dialog.h"
#include "report/report_builder.h"

namespace tavisto::app {
namespace {

constexpr char kCancelledLine[] = "The analysis was cancelled: the report is incomplete.";

// The folder of ours the outside tools run in for one analysis, removed when it ends; none when
// the journal could not be had or the folder not made.
class ToolFolder {
 public:
  ToolFolder(delivery::FileJournal* journal, const std::string& tempFolder) : journal_(journal) {
    try {
      if (journal_) path_ = journal_->CreateFolder(delivery::OwnFolder(tempFolder) + "Tools ");
    } catch (const std::exception&) {
      path_.clear();
    }
  }
  ToolFolder(const ToolFolder&) = delete;
  ToolFolder& operator=(const ToolFolder&) = delete;
  ~ToolFolder() {
    if (!path_.empty()) journal_->RemoveFolderIfOurs(path_);
  }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  delivery::FileJournal* journal_;
  std::string path_;
};

}  // namespace

void TForm1::Btn_StartAnalisysClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  Memo1.Clear();
  // The delivery buttons' folders, recorded by every analysis.
  DesktopFolder = lookups::GetSpecialFolderPath(lookups::kCsidlDesktop);
  TempFolder = lookups::GetTempFolder();

  report::ReportInputs inputs;
  inputs.identity = {ExeInfo1->FileVersion(), SystemInfo->ComputerName(), SystemInfo->UserName(),
                     SystemInfo->RegOwner(),  SystemInfo->RegCompany(),   SystemInfo->OSPlatform(),
                     SystemInfo->OSVersion(), SystemInfo->TotalPhys(),    SystemInfo->AvailPhys()};
  inputs.language = GetWindowsLanguage();
  inputs.dataPaths = {ZorvelDataPath, QuorixDataPath, PylvexDataPath, VoyraDataPath, MultiQrxDataPath};
  // The outside tools write their "tmp.txt" in a new folder of ours, never over a file of the
  // customer's; without one they run in the current directory, where a "tmp.txt" is left alone.
  delivery::FileJournal* journal = nullptr;
  try {
    journal = &Journal();
  } catch (const std::exception&) {
    journal = nullptr;
  }
  const ToolFolder tools(journal, TempFolder);
  inputs.tools.listFolder = tools.Path();
  // Only a whole report may be saved or mailed: one cut off leaves the result buttons off until
  // an analysis ends normally.
  const auto resultButtons = [this](BOOL enabled) {
    EnableWindow(Btn_SaveResult, enabled);
    EnableWindow(Btn_SendResultEmail, enabled);
  };
  // The dialog stays up, with its Cancel, until the memo holds the whole report.
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  try {
    ScanFolders = std::make_unique<std::vector<std::string>>(
        report::BuildAnalysisReport(inputs, Memo1, progress).scanFolders);
  } catch (const os::Cancelled&) {
    // What the memo shows stays, and says that the rest is missing.
    Memo1.Abandon(kCancelledLine);
    progress.Close();
    resultButtons(FALSE);
    return;
  } catch (const report::IncompleteReport& stopped) {
    Memo1.End(stopped.Line());
    progress.Close();
    resultButtons(FALSE);
    cursor.Restore();
    ShowErrorBox(stopped);
    return;
  }
  const std::string leftOut = Memo1.End();
  progress.Close();
  // Text the memo could not take is news the user must not take for a plain "Finish".
  if (leftOut.empty())
    os::ShowDialog("Finish", os::DialogIcon::None, {os::DialogAnswer::Ok});
  else
    os::ShowDialog("Finish\r\n\r\n" + leftOut, os::DialogIcon::Warning, {os::DialogAnswer::Ok});
  resultButtons(TRUE);
  cursor.Restore();
}

}  // namespace tavisto::app
