// TForm1's handlers that collect data and deliver results: Get Data, the two saves, the two mails.
#include <exception>
#include <optional>

#include "app/busy_cursor.h"
#include "app/main_window.h"
#include "delivery/desktop_save.h"
#include "delivery/desktop_target.h"
#include "delivery/get_data.h"
#include "delivery/mail_messages.h"
#include "delivery/mapi_mail.h"
#include "lookups/known_folders.h"
#include "os/dialogs.h"
#include "os/errors.h"
#include "os/file_identity.h"
#include "os/files.h"
#include "os/progress_dialog.h"

namespace tavisto::app {
namespace {

void ShowMessage(const std::string& text) { os::ShowDialog(text, os::DialogIcon::None, {os::DialogAnswer::Ok}); }

// Data.zip larger than this gets a warning before it is mailed: mailed attachments grow by a
// third, and many mail systems refuse messages over 10 MB.
constexpr int64_t kMailWarningBytes = 7 * 1024 * 1024;

// Whether the user still wants a Data.zip of this size mailed.
bool ConfirmLargeMail(int64_t bytes) {
  const int64_t tenths = (bytes * 10 + 512 * 1024) / (1024 * 1024);
  const std::string size = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
  return os::ShowDialog("Data.zip is " + size +
                            ". Many mail systems refuse messages over 10 MB, and a file grows by about a "
                            "third when it is attached to a mail.\r\n\r\n"
                            "Save Data puts Data.zip on your desktop, so that you can send it another way.\r\n\r\n"
                            "Send it by email anyway?",
                        os::DialogIcon::Warning, {os::DialogAnswer::Yes, os::DialogAnswer::No}) ==
         os::DialogAnswer::Yes;
}

constexpr char kDataZipGone[] = "Data.zip of this window is no longer there: run Get Data again";

// The desktop the saves write into, looked up as they save: an Error naming the folder the
// system gave and what to do when it cannot be found, so that nothing is written elsewhere.
std::string DesktopForSaving(const std::string& save, const std::string& mail) {
  const lookups::FoundFolder desktop = lookups::FindDesktopFolder();
  if (!desktop.problem.empty())
    throw Error(save + " could not find your desktop folder (" + desktop.problem +
                "). Make that folder available again, then save once more, or use " + mail);
  return desktop.path;
}

// The mail handlers report their own failures, after the words the user knows them by.
void ShowMailError(const std::string& text) {
  os::ShowDialog("unable send email\r\n" + text, os::DialogIcon::Error, {os::DialogAnswer::Ok}, "Erreur");
}

uint32_t MailFlags() { return os::kMapiLogonUi | os::kMapiDialog; }

}  // namespace

void TForm1::Btn_GetDataClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  // One Get Data at a time: another window's run writes the same archives.
  auto lock = delivery::TakeGetDataLock();
  if (!lock) {
    cursor.Restore();
    os::ShowDialog(delivery::kGetDataRunsElsewhere, os::DialogIcon::Warning, {os::DialogAnswer::Ok});
    return;
  }
  const delivery::GetDataPlan plan = delivery::PlanGetData();
  TempFolder = plan.tempFolder;
  DesktopFolder = plan.desktopFolder;
  BaseFolder = plan.baseFolder;
  for (delivery::ProductSlot& slot : Products)
    if (const auto& path = plan.dataPaths[static_cast<size_t>(slot.product)]) slot.dataPath = *path;
  const delivery::GetDataCheck check = delivery::CheckGetData(plan);
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  delivery::CollectedData collected;
  try {
    collected = delivery::CollectData(plan, check, Products, ArchivioTotale, Journal(), progress);
  } catch (const os::Cancelled&) {
    // An earlier Data.zip of this window stays, and with it the data buttons.
    progress.Close();
    lock.reset();
    cursor.Restore();
    ShowMessage("Get Data was cancelled.");
    return;
  } catch (...) {
    progress.Close();
    throw;
  }
  progress.Close();
  lock.reset();  // another window may run while this one shows how it ended
  // The new Data.zip replaces the one an earlier run of this window built.
  if (dataZip_) journal_->RemoveFolderIfOurs(dataZipFolder_);
  dataZip_ = collected.dataZip;
  dataZipFolder_ = collected.folder;
  cursor.Restore();
  // Files left out are news the user must not take for a plain "Finished".
  const std::vector<zip::LeftOutFile>& leftOut = collected.leftOut;
  os::ShowDialog(delivery::EndMessage(leftOut), leftOut.empty() ? os::DialogIcon::None : os::DialogIcon::Warning,
                 {os::DialogAnswer::Ok});
  EnableWindow(Btn_SaveData, TRUE);
  EnableWindow(Btn_SendDataEmail, TRUE);
}

delivery::FileJournal& TForm1::Journal() {
  if (TempFolder.empty()) throw Error("Tavisto cannot tell where the temporary folder is");
  if (!journal_) journal_.emplace(delivery::OwnFolder(TempFolder));
  return *journal_;
}

const std::string& TForm1::DataZipOfThisWindow() const {
  if (!dataZip_ || !dataZip_->Unchanged()) throw Error(kDataZipGone);
  return dataZip_->path;
}

void TForm1::Btn_SaveResultClick(HWND /*sender*/) {
  const std::string wanted = DesktopForSaving("Save Result", "Send result by email") + "\\Analysis Result.txt";
  // A save that fails removes what it wrote, through its handle.
  delivery::SaveTarget target = delivery::SaveTarget::Open(wanted, savedResult_);
  delivery::WriteMemoText(Memo1.Text(), target.File(), target.Path());
  savedResult_ = target.Keep();
  ShowMessage(delivery::SavedMessage(wanted, savedResult_->path));
}

void TForm1::Btn_SaveDataClick(HWND /*sender*/) {
  const std::string& source = DataZipOfThisWindow();
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
  ShowMessage(delivery::SavedMessage(wanted, savedData_->path));
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
    if (TempFolder.empty()) TempFolder = lookups::GetTempFolder();
    folder.emplace(Journal(), delivery::OwnFolder(TempFolder) + "Mail ");
    const std::string report = folder->Path() + "qrxReg.log";
    if (!Journal().CreateNew(report)) throw FileCreateError(report);
    delivery::SaveMemoText(Memo1.Text(), report);
    (void)Journal().RecordDone(report);
    failure = SendToSupport(delivery::ResultMail(report, "Analysis Result.txt"), delivery::MailKind::Result);
  } catch (const std::exception& error) {
    failure = error.what();
  }
  cursor.Restore();
  if (!failure.empty()) ShowMailError(failure);
}

void TForm1::Btn_SendDataEmailClick(HWND /*sender*/) {
  std::string failure;
  try {
    const std::string& dataZip = DataZipOfThisWindow();
    if (const int64_t size = dataZip_->state.size; size > kMailWarningBytes && !ConfirmLargeMail(size)) return;
    failure = SendToSupport(delivery::DataMail(dataZip), delivery::MailKind::Data);
  } catch (const std::exception& error) {
    failure = error.what();
  }
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (!failure.empty()) ShowMailError(failure);
}

}  // namespace tavisto::app
