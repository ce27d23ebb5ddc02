#include "jobs/mail_job.h"

#include <exception>
#include <optional>

#include "common/errors.h"
#include "delivery/desktop_save.h"
#include "delivery/mail_messages.h"
#include "delivery/mapi_mail.h"

namespace tavisto::jobs {
namespace {

// Data.zip larger than this gets a question before it is mailed: mailed attachments grow by a
// third, and many mail systems refuse messages over 10 MB.
constexpr int64_t kMailWarningBytes = 7 * 1024 * 1024;

// Hands a mail to the mail program, which logs on as it needs and shows its compose window.
std::string SendToSupport(const os::MapiMail& mail, delivery::MailKind kind, uintptr_t parentWindow) {
  delivery::SimpleMapi& mapi = delivery::ProcessMapi();
  if (!mapi.CanSend()) return delivery::MailFailureText(std::nullopt, kind);
  const uint32_t code = mapi.SendMapiMail(0, parentWindow, mail, os::kMapiLogonUi | os::kMapiDialog, 0);
  return delivery::MailFailureText(code, kind);
}

}  // namespace

std::string SendResultMail(Session& session, const std::string& memoText, uintptr_t parentWindow) {
  // The mail program has taken the file when the call returns: the folder goes as this ends.
  std::optional<delivery::JobFolder> folder;
  try {
    delivery::FileJournal& journal = session.Journal();
    folder.emplace(journal, journal.Folder() + "Mail ");
    const std::string report = folder->Path() + "qrxReg.log";
    if (!journal.CreateNew(report)) throw FileCreateError(report);
    {
      // The file just made and recorded, written as it is: never one created over another.
      auto file = os::File::Open(report, os::Access::Write, os::kShareNone, os::Disposition::OpenExisting);
      if (!file) throw FileOpenError(report, os::ErrorText(file.Error()));
      delivery::WriteMemoText(memoText, *file, report);
    }
    (void)journal.RecordDone(report);
    return SendToSupport(delivery::ResultMail(report, "Analysis Result.txt"), delivery::MailKind::Result, parentWindow);
  } catch (const std::exception& error) {
    return error.what();
  }
}

std::string SendDataMail(Session& session, delivery::Asker& asker, uintptr_t parentWindow) {
  try {
    const delivery::OwnedFile& dataZip = session.DataZip();
    if (dataZip.state.size > kMailWarningBytes && !asker.MailLargeDataZip(dataZip.state.size)) return std::string();
    return SendToSupport(delivery::DataMail(dataZip.path), delivery::MailKind::Data, parentWindow);
  } catch (const std::exception& error) {
    return error.what();
  }
}

}  // namespace tavisto::jobs
