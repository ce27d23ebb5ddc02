// TForm1's handlers that collect data and deliver results: Get Data (the job, under the progress
// dialog), the two saves, the two mails.
#include <exception>
#include <optional>

#include "app/busy_cursor.h"
#include "app/main_window.h"
#include "delivery/desktop_save.h"
#include "delivery/desktop_target.h"
#include "delivery/mail_messages.h"
#include "delivery/mapi_mail.h"
#include "jobs/get_data_job.h"
#include "lookups/known_folders.h"
#include "os/dialogs.h"
#include "common/errors.h"
#include "os/files.h"
#include "os/progress_dialog.h"

namespace tavisto::app {
namespace {

// Data.zip larger than this gets a warning before it is mailed: mailed attachments grow by a
// third, and many mail systems refuse messages over 10 MB.
constexpr int64_t kMailWarningBytes = 7 * 1024 * 1024;

// The desktop the saves write into, looked up as they save: an Error naming the folder the
// system gave and what to do when it cannot be found, so that nothing is written elsewhere.
std::string DesktopForSaving(const std::string& save, const std::string& mail) {
  const lookups::FoundFolder desktop = lookups::FindDesktopFolder();
  if (!desktop.problem.empty())
    throw Error(save + " could not find your desktop folder (" + desktop.problem +
                "). Make that folder available again, then save once more, or use " + mail);
  return desktop.path;
}

uint32_t MailFlags() { return os::kMapiLogonUi | os::kMapiDialog; }

}  // namespace

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
  // Files left out are news the user must not take for a plain "Finished".
  Say(outcome.EndMessage(), outcome.Complete() ? os::DialogIcon::None : os::DialogIcon::Warning);
  EnableWindow(Btn_SaveData, TRUE);
  EnableWindow(Btn_SendDataEmail, TRUE);
}

void TForm1::Btn_SaveResultClick(HWND /*sender*/) {
  const std::string wanted = DesktopForSaving("Save Result", "Send result by email") + "\\Analysis Result.txt";
  // A save that fails removes what it wrote, through its handle.
  delivery::SaveTarget target = delivery::SaveTarget::Open(wanted, savedResult_);
  delivery::WriteMemoText(Memo1.Text(), target.File(), target.Path());
  savedResult_ = target.Keep();
  Say(delivery::SavedMessage(wanted, savedResult_->path), os::DialogIcon::None);
}

void TForm1::Btn_SaveDataClick(HWND /*sender*/) {
  const std::string source = Session().DataZip().path;
  // A folder named Data.zip on the desktop takes the copy inside it.
  std::string wanted = DesktopForSaving("Save Data", "Send data by email") + "\\Data.zip";
  if (os::DirectoryExists(wanted)) wanted += "\\Data.zip";
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  progress.BeginStage("Copying Data.zip to your desktop");
  delivery::SaveTarget target = delivery::SaveTarget::Open(wanted, savedData_);
  try {
    // A cancelled copy leaves no partial Data.zip behind, and there is nothing more to say.
    delivery::CopyFileInto(source, target.File(), &progress);
  } catch (const os::Cancelled&) {
    return;
  }
  progress.Close();
  savedData_ = target.Keep();
  Say(delivery::SavedMessage(wanted, savedData_->path), os::DialogIcon::None);
}

std::string TForm1::SendToSupport(const os::MapiMail& mail, delivery::MailKind kind) {
  delivery::SimpleMapi& mapi = delivery::ProcessMapi();
  if (!mapi.CanSend()) return delivery::MailFailureText(std::nullopt, kind);
  const uint32_t code = mapi.SendMapiMail(0, reinterpret_cast<uintptr_t>(handle_), mail, MailFlags(), 0);
  return delivery::MailFailureText(code, kind);
}

void TForm1::Btn_SendResultEmailClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  // The message carries the report the memo holds now, under the name support knows it by,
  // written into a new folder of ours: no file of the user's is touched, and a desktop that
  // cannot be written does not matter.
  // The mail program has taken the file when the call returns: the folder goes as this ends.
  std::optional<delivery::JobFolder> folder;
  std::string failure;
  try {
    delivery::FileJournal& journal = Session().Journal();
    folder.emplace(journal, journal.Folder() + "Mail ");
    const std::string report = folder->Path() + "qrxReg.log";
    if (!journal.CreateNew(report)) throw FileCreateError(report);
    delivery::SaveMemoText(Memo1.Text(), report);
    (void)journal.RecordDone(report);
    failure = SendToSupport(delivery::ResultMail(report, "Analysis Result.txt"), delivery::MailKind::Result);
  } catch (const std::exception& error) {
    failure = error.what();
  }
  cursor.Restore();
  // The mail handlers report their own failures, after the words the user knows them by.
  if (!failure.empty()) Say("unable send email\r\n" + failure, os::DialogIcon::Error, {os::DialogAnswer::Ok}, "Erreur");
}

void TForm1::Btn_SendDataEmailClick(HWND /*sender*/) {
  std::string failure;
  try {
    const delivery::OwnedFile& dataZip = Session().DataZip();
    if (dataZip.state.size > kMailWarningBytes && !asker_->MailLargeDataZip(dataZip.state.size)) return;
    failure = SendToSupport(delivery::DataMail(dataZip.path), delivery::MailKind::Data);
  } catch (const std::exception& error) {
    failure = error.what();
  }
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (!failure.empty()) Say("unable send email\r\n" + failure, os::DialogIcon::Error, {os::DialogAnswer::Ok}, "Erreur");
}

}  // namespace tavisto::app
