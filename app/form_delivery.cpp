// TForm1's handlers that collect data and deliver results: Get Data, the two saves, the two mails.
#include <array>
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

namespace tavisto::app {
namespace {

constexpr char kSaved[] = "File saved on your desktop.";

void ShowMessage(const char* text) { os::ShowDialog(text, os::DialogIcon::None, {os::DialogAnswer::Ok}); }

// The mail handlers report their own failures, after the words the user knows them by.
void ShowMailError(const std::exception& error) {
  os::ShowDialog(std::string("unable send email\r\n") + error.what(), os::DialogIcon::Error,
                 {os::DialogAnswer::Ok}, "Erreur");
}

uint32_t MailFlags() { return os::kMapiLogonUi | os::kMapiDialog; }

}  // namespace

void TForm1::Btn_GetDataClick(HWND /*sender*/) {
  BusyCursor cursor(busy_);
  using lookups::SiblingProduct;
  const std::array<delivery::ProductArchive, 5> products = {{
      {SiblingProduct::Zorvel, ArchivioZorvel, ZorvelDataPath},
      {SiblingProduct::Quorix, ArchivioQrx, QuorixDataPath},
      {SiblingProduct::Pylvex, ArchivioPY, PylvexDataPath},
      {SiblingProduct::Voyra, ArchivioVY, VoyraDataPath},
      {SiblingProduct::MultiQrx, ArchivioMQ, MultiQrxDataPath},
  }};
  delivery::GetDataState state{TempFolder, DesktopFolder, BaseFolder, VolumeFiles};
  delivery::CollectData(products, ArchivioTotale, state);
  cursor.Restore();
  ShowMessage("Finished");
  EnableWindow(Btn_SaveData, TRUE);
  EnableWindow(Btn_SendDataEmail, TRUE);
}

void TForm1::Btn_SaveResultClick(HWND /*sender*/) {
  delivery::SaveMemoText(Memo1.Text(), DesktopFolder + "\\Analysis Result.txt");
  ShowMessage(kSaved);
}

void TForm1::Btn_SaveDataClick(HWND /*sender*/) {
  delivery::CopyFileChunked(TempFolder + "Data.zip", DesktopFolder + "\\Data.zip");
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
  try {
    delivery::ProcessMapi().SendMapiMail(0, reinterpret_cast<uintptr_t>(handle_),
                                         delivery::DataMail(TempFolder + "Data.zip"), MailFlags(), 0);
  } catch (const std::exception& error) {
    ShowMailError(error);
  }
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace tavisto::app
