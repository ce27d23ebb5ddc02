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

}  // namespace tavisto::delivery
