#include "delivery/mail_messages.h"

namespace tavisto::delivery {
namespace {

os::MapiMail ToSupport(const std::string& subject, const std::string& attachmentPath,
                       const std::string& attachmentName) {
  os::MapiMail mail;
  mail.subject = subject;
  mail.noteText = "Free text";
  mail.recipientName = kSupportName;
  mail.recipientAddress = kSupportAddress;
  mail.attachmentPath = attachmentPath;
  mail.attachmentName = attachmentName;
  return mail;
}

}  // namespace

os::MapiMail ResultMail(const std::string& reportPath, const std::string& attachmentName) {
  return ToSupport("Qrx Key Program", reportPath, attachmentName);
}

os::MapiMail DataMail(const std::string& dataZipPath) { return ToSupport("Data files", dataZipPath, ""); }

std::string MailFailureText(std::optional<uint32_t> code, MailKind kind) {
  if (code && (*code == kMapiSuccess || *code == kMapiUserAbort)) return "";
  std::string happened;
  if (!code) {
    happened = "No mail program on this computer takes messages from other programs (Simple MAPI)";
  } else {
    switch (*code) {
      case 3: happened = "The mail program could not log on to your mail account"; break;
      case 4: happened = "The mail program ran out of disk space"; break;
      case 5: happened = "The mail program ran out of memory"; break;
      case 6: happened = "The mail program was refused access to your mail account"; break;
      case 11:  // attachment not found
      case 12:  // attachment open failure
      case 13: happened = "The mail program could not read the file to attach"; break;  // attachment write failure
      case 14:  // unknown recipient
      case 21:  // ambiguous recipient
      case 25: happened = "The mail program did not accept the support address"; break;  // invalid recipients
      case 23: happened = "The mail program could not reach the mail server"; break;
      default:
        happened = "The mail program could not take the message (Simple MAPI error " + std::to_string(*code) + ")";
    }
  }
  const char* instead = kind == MailKind::Result
                            ? "Save Result puts Analysis Result.txt on your desktop so that you can attach it yourself."
                            : "Save Data puts Data.zip on your desktop so that you can attach it yourself.";
  return happened + ". " + instead;
}

}  // namespace tavisto::delivery
