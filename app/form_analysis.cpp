// TForm1's "Start Analysis" handler: it gathers what the window holds, has the report written
// into the memo under the progress dialog, and says how the report ended.
#include "app/main_window.h"

#include <optional>

#include "app/busy_cursor.h"
#include "app/error_box.h"
#include "delivery/own_files.h"
#include "lookups/known_folders.h"
#include "os/dialogs.h"
#include "os/progress_dialog.h"
#include "os/text_encoding.h"
#include "report/report_builder.h"

namespace tavisto::app {
namespace {

constexpr char kCancelledLine[] = "The analysis was cancelled: the report is incomplete.";

}  // namespace

void TForm1::Btn_StartAnalisysClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  Memo1.Clear();
  // The delivery buttons' folders, recorded by every analysis.
  DesktopFolder = lookups::FindDesktopFolder().path;
  TempFolder = lookups::GetTempFolder();

  report::ReportInputs inputs;
  // The report is code-page text: a user name keeps "?" only for what the code page lacks.
  inputs.identity = {ExeInfo1->FileVersion(), SystemInfo->ComputerName(), os::Utf8ToAnsi(SystemInfo->UserName()).Bytes(),
                     SystemInfo->RegOwner(),  SystemInfo->RegCompany(),   SystemInfo->OSPlatform(),
                     SystemInfo->OSVersion(), SystemInfo->TotalPhys(),    SystemInfo->AvailPhys()};
  inputs.language = GetWindowsLanguage();
  inputs.dataPaths = {ZorvelDataPath, QuorixDataPath, PylvexDataPath, VoyraDataPath, MultiQrxDataPath};
  // The outside tools write their "tmp.txt" in a new folder of ours, never over a file of the
  // customer's; without one they run in the current directory, where a "tmp.txt" is left alone.
  std::optional<delivery::JobFolder> tools;
  try {
    tools.emplace(Journal(), delivery::OwnFolder(TempFolder) + "Tools ");
    // Recorded before a tool runs, so that a list left by a killed window is known for ours.
    Journal().ExpectName(tools->Path() + "tmp.txt");
    inputs.tools.listFolder = tools->Path();
  } catch (const std::exception&) {
    inputs.tools.listFolder.clear();
  }
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
