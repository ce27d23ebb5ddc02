// TForm1's handlers that collect data and deliver results: each starts its job (Get Data under
// the progress dialog, the saves, the mails) and shows how it ended.
#include <exception>

#include "app/busy_cursor.h"
#include "app/main_window.h"
#include "jobs/get_data_job.h"
#include "jobs/mail_job.h"
#include "jobs/save_job.h"
#include "os/dialogs.h"
#include "os/progress_dialog.h"

namespace tavisto::app {

void TForm1::Btn_GetDataClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  jobs::GetDataJob job(Session(), *asker_, RunFacts());
  try {
    // The checks run before the progress dialog appears: a refusal changes nothing.
    job.Prepare();
  } catch (const jobs::GetDataRunsElsewhere& elsewhere) {
    cursor.Restore();
    Say(elsewhere.what(), os::DialogIcon::Warning);
    return;
  }
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  jobs::GetDataOutcome outcome;
  try {
    outcome = job.Run(progress);
  } catch (const os::Cancelled&) {
    // An earlier Data.zip of this window stays, and with it the data buttons.
    progress.Close();
    cursor.Restore();
    Say("Get Data was cancelled.", os::DialogIcon::None);
    return;
  } catch (...) {
    progress.Close();
    throw;
  }
  progress.Close();
  cursor.Restore();
  // What Data.zip lacks is news the user must not take for a plain "Finished".
  Say(outcome.EndMessage(), outcome.Complete() ? os::DialogIcon::None : os::DialogIcon::Warning);
  EnableWindow(Btn_SaveData, TRUE);
  EnableWindow(Btn_SendDataEmail, TRUE);
}

void TForm1::Btn_SaveResultClick(HWND /*sender*/) {
  const jobs::SaveOutcome saved = jobs::SaveResult(Session(), Memo1.Text());
  if (!saved.message.empty()) Say(saved.message, os::DialogIcon::None);
}

void TForm1::Btn_SaveDataClick(HWND /*sender*/) {
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  const jobs::SaveOutcome saved = jobs::SaveData(Session(), progress);
  progress.Close();
  // A cancelled copy has left nothing partial behind; it is news only when an earlier save stays.
  if (!saved.message.empty()) Say(saved.message, os::DialogIcon::None);
}

void TForm1::Btn_SendResultEmailClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  const std::string failure =
      jobs::SendResultMail(Session(), Memo1.Text(), reinterpret_cast<uintptr_t>(handle_));
  cursor.Restore();
  // The mail handlers report their own failures, after the words the user knows them by.
  if (!failure.empty()) Say("unable send email\r\n" + failure, os::DialogIcon::Error, {os::DialogAnswer::Ok}, "Erreur");
}

void TForm1::Btn_SendDataEmailClick(HWND /*sender*/) {
  const std::string failure = jobs::SendDataMail(Session(), *asker_, reinterpret_cast<uintptr_t>(handle_));
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (!failure.empty()) Say("unable send email\r\n" + failure, os::DialogIcon::Error, {os::DialogAnswer::Ok}, "Erreur");
}

}  // namespace tavisto::app
