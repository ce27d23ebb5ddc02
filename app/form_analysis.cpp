// TForm1's "Start Analysis" handler and the report methods of the window. They only gather
// what the window holds and hand it to the report and lookup subsystems.
#include "app/main_window.h"

#include "app/busy_cursor.h"
#include "lookups/file_version.h"
#include "os/dialogs.h"
#include "os/process.h"
#include "os/progress_dialog.h"
#include "report/inventories.h"
#include "report/program_versions.h"
#include "report/registry_dump.h"
#include "report/report_builder.h"
#include "report/user_locale.h"

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

void TForm1::TrovaVersioneFile(const std::string& path, std::string& version) const {
  if (const auto found = lookups::FileVersionIfExists(path)) version = *found;
}

std::string TForm1::TrovaVersione2(const std::string& path) const {
  return lookups::FileVersionIfExists(path).value_or("");
}

void TForm1::PrintNextKey(os::RegRoot root, const std::string& path, int depth) {
  report::DumpKey(root, path, depth, Memo1, report::UserLocaleFormats());
}

void TForm1::SaveQrxKeys() { report::WriteKeyLog(Memo1, report::UserLocaleFormats()); }

void TForm1::FasterSubFilesList(const std::string& folder, const std::string& mask, report::LineSink& list) const {
  report::ListFiles(folder, mask, list);
}

void TForm1::TrovaVersioneFilesExe(const std::string& folder, report::LineSink& list) const {
  report::ListProgramVersions(folder, list);
}

void TForm1::LeggiCS(const std::string& folder, report::LineSink& list) const { report::CopyCsLog(folder, list); }

int32_t TForm1::ExecAndWaitEx(const std::string& commandLine, uint16_t showState, int32_t timeLimitMs) const {
  const os::RunResult run = os::RunAndWait(commandLine, showState, static_cast<uint32_t>(timeLimitMs));
  if (run.outcome == os::RunOutcome::NotStarted) return -1;
  return static_cast<int32_t>(run.exitCode);
}

}  // namespace tavisto::app
