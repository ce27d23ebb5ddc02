// TForm1's "Start Analysis" handler: it gathers what the window holds and hands it to the
// report subsystem.
#include "app/main_window.h"

#include "app/busy_cursor.h"
#include "os/dialogs.h"
#include "os/progress_dialog.h"
#include "report/report_builder.h"

namespace tavisto::app {

void TForm1::Btn_StartAnalisysClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  ScanFolders = std::make_unique<std::vector<std::string>>();
  Memo1.Clear();

  report::ReportInputs inputs;
  inputs.identity = {ExeInfo1->FileVersion(), SystemInfo->ComputerName(), SystemInfo->UserName(),
                     SystemInfo->RegOwner(),  SystemInfo->RegCompany(),   SystemInfo->OSPlatform(),
                     SystemInfo->OSVersion(), SystemInfo->TotalPhys(),    SystemInfo->AvailPhys()};
  inputs.language = GetWindowsLanguage();
  inputs.dataPaths = {ZorvelDataPath, QuorixDataPath, PylvexDataPath, VoyraDataPath, MultiQrxDataPath};
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  try {
    report::BuildAnalysisReport(inputs, {*ScanFolders, DesktopFolder, TempFolder}, Memo1, progress);
  } catch (const os::Cancelled&) {
    // What was written stays, and says that the rest is missing. Only a whole report may be
    // saved or mailed.
    Memo1.Add("The analysis was cancelled: the report is incomplete.");
    Memo1.Flush();
    EnableWindow(Btn_SaveResult, FALSE);
    EnableWindow(Btn_SendResultEmail, FALSE);
    return;
  }
  progress.Close();

  // The report stands in the memo behind the box, not only after it.
  Memo1.Flush();
  os::ShowDialog("Finish", os::DialogIcon::None, {os::DialogAnswer::Ok});
  EnableWindow(Btn_SaveResult, TRUE);
  EnableWindow(Btn_SendResultEmail, TRUE);
  cursor.Restore();
}

}  // namespace tavisto::app
