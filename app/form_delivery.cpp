// TForm1's handlers that collect data and deliver results: Get Data, the two saves, the two mails.
#include <exception>

#include "app/busy_cursor.h"
#include "app/main_window.h"
#include "delivery/desktop_save.h"
#include "delivery/get_data.h"
#include "delivery/mail_messages.h"
#include "delivery/mapi_mail.h"
#include "os/dialogs.h"
#include "os/errors.h"
#include "os/files.h"
#include "os/progress_dialog.h"

namespace tavisto::app {
namespace {

constexpr char kSaved[] = "File saved on your desktop.";

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

int64_t FileSize(const std::string& path) {
  auto file = os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
  return file ? file->Size().value_or(0) : 0;
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
  const delivery::GetDataPlan plan = delivery::PlanGetData();
  TempFolder = plan.tempFolder;
  DesktopFolder = plan.desktopFolder;
  BaseFolder = plan.baseFolder;
  for (delivery::ProductSlot& slot : Products)
    if (const auto& path = plan.dataPaths[static_cast<size_t>(slot.product)]) slot.dataPath = *path;
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  // A run that does not finish removes its Data.zip: the data buttons then have nothing to
  // deliver (an earlier run's Data.zip stays when this run never began its own).
  const auto dataButtonsFollowDataZip = [this] {
    if (os::FileExists(delivery::DataZipPath(TempFolder))) return;
    EnableWindow(Btn_SaveData, FALSE);
    EnableWindow(Btn_SendDataEmail, FALSE);
  };
  delivery::CollectedData collected;
  try {
    collected = delivery::CollectData(plan, Products, ArchivioTotale, progress);
  } catch (const os::Cancelled&) {
    progress.Close();
    cursor.Restore();
    dataButtonsFollowDataZip();
    ShowMessage("Get Data was cancelled.");
    return;
  } catch (...) {
    progress.Close();
    dataButtonsFollowDataZip();
    throw;
  }
  progress.Close();
  cursor.Restore();
  // Files left out are news the user must not take for a plain "Finished".
  const std::vector<zip::LeftOutFile>& leftOut = collected.leftOut;
  os::ShowDialog(delivery::EndMessage(leftOut), leftOut.empty() ? os::DialogIcon::None : os::DialogIcon::Warning,
                 {os::DialogAnswer::Ok});
  EnableWindow(Btn_SaveData, TRUE);
  EnableWindow(Btn_SendDataEmail, TRUE);
}

void TForm1::Btn_SaveResultClick(HWND /*sender*/) {
  delivery::SaveMemoText(Memo1.Text(), DesktopFolder + "\\Analysis Result.txt");
  ShowMessage(kSaved);
}

void TForm1::Btn_SaveDataClick(HWND /*sender*/) {
  os::ProgressDialog progress(handle_, os::ApplicationTitle());
  progress.BeginStage("Copying Data.zip to your desktop");
  try {
    // A cancelled copy leaves no partial Data.zip behind, and there is nothing more to say.
    delivery::CopyFileChunked(delivery::DataZipPath(TempFolder), DesktopFolder + "\\Data.zip", &progress);
  } catch (const os::Cancelled&) {
    return;
  }
  progress.Close();
  ShowMessage(kSaved);
}

void TForm1::Btn_SendResultEmailClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  // The message carries the report the memo holds now: the text written here, under the name
  // support knows it by.
  const std::string report = DesktopFolder + "\\qrxReg.log";
  bool written = false;
  try {
    delivery::SaveMemoText(Memo1.Text(), report);
    written = true;
    delivery::ProcessMapi().SendMapiMail(0, reinterpret_cast<uintptr_t>(handle_),
                                         delivery::ResultMail(report, "Analysis Result.txt"), MailFlags(), 0);
  } catch (const std::exception& error) {
    ShowMailError(error);
  }
  cursor.Restore();
  // Only the file this handler wrote; a qrxReg.log it could not replace is not ours.
  if (written) (void)os::RemoveFile(report);
}

void TForm1::Btn_SendDataEmailClick(HWND /*sender*/) {
  const std::string dataZip = delivery::DataZipPath(TempFolder);
  if (const int64_t size = FileSize(dataZip); size > kMailWarningBytes && !ConfirmLargeMail(size)) return;
  try {
    delivery::ProcessMapi().SendMapiMail(0, reinterpret_cast<uintptr_t>(handle_),
                                         delivery::DataMail(dataZip), MailFlags(), 0);
  } catch (const std::exception& error) {
    ShowMailError(error);
  }
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace tavisto::app
