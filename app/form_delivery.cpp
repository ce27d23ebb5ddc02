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

// A file just saved, as it was saved.
std::optional<delivery::OwnedFile> Saved(const std::string& path) {
  const auto state = os::StateOf(path);
  if (!state) return std::nullopt;
  return delivery::OwnedFile{path, *state};
}

// The mail handlers report their own failures, after the words the user knows them by.
void ShowMailError(const std::exception& error) {
  os::ShowDialog(std::string("unable send email\r\n") + error.what(), os::DialogIcon::Error,
                 {os::DialogAnswer::Ok}, "Erreur");
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
  const std::string wanted = DesktopFolder + "\\Analysis Result.txt";
  const std::string target = delivery::FreeTarget(wanted, savedResult_);
  delivery::SaveMemoText(Memo1.Text(), target);
  savedResult_ = Saved(target);
  ShowMessage(delivery::SavedMessage(wanted, target));
}

void TForm1::Btn_SaveDataClick(HWND /*sender*/) {
  const std::string& source = DataZipOfThisWindow();
  // A folder named Data.zip on the desktop takes the copy inside it.
  std::string wanted = DesktopFolder + "\\Data.zip";
  if (os::DirectoryExists(wanted)) wanted += "\\Data.zip";
  const std::string target = delivery::FreeTarget(wanted, savedData_);
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  progress.BeginStage("Copying Data.zip to your desktop");
  try {
    // A cancelled copy leaves no partial Data.zip behind, and there is nothing more to say.
    delivery::CopyFileChunked(source, target, &progress);
  } catch (const os::Cancelled&) {
    return;
  }
  progress.Close();
  savedData_ = Saved(target);
  ShowMessage(delivery::SavedMessage(wanted, target));
}

void TForm1::Btn_SendResultEmailClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  // The message carries the report the memo holds now, under the name support knows it by,
  // written into a new folder of ours: no file of the user's is touched, and a desktop that
  // cannot be written does not matter.
  // The mail program has taken the file when the call returns: the folder goes as this ends.
  std::optional<delivery::JobFolder> folder;
  try {
    if (TempFolder.empty()) TempFolder = lookups::GetTempFolder();
    folder.emplace(Journal(), delivery::OwnFolder(TempFolder) + "Mail ");
    const std::string report = folder->Path() + "qrxReg.log";
    if (!Journal().CreateNew(report)) throw FileCreateError(report);
    delivery::SaveMemoText(Memo1.Text(), report);
    delivery::ProcessMapi().SendMapiMail(0, reinterpret_cast<uintptr_t>(handle_),
                                         delivery::ResultMail(report, "Analysis Result.txt"), MailFlags(), 0);
  } catch (const std::exception& error) {
    ShowMailError(error);
  }
  cursor.Restore();
}

void TForm1::Btn_SendDataEmailClick(HWND /*sender*/) {
  try {
    const std::string& dataZip = DataZipOfThisWindow();
    if (const int64_t size = dataZip_->state.size; size > kMailWarningBytes && !ConfirmLargeMail(size)) return;
    delivery::ProcessMapi().SendMapiMail(0, reinterpret_cast<uintptr_t>(handle_), delivery::DataMail(dataZip),
                                         MailFlags(), 0);
  } catch (const std::exception& error) {
    ShowMailError(error);
  }
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace tavisto::app
