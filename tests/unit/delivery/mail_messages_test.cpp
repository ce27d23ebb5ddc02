#include "delivery/mail_messages.h"

#include <gtest/gtest.h>

namespace tavisto::delivery {
namespace {

TEST(MailMessages, BothGoToSupportWithTheirSubjectAndAttachment) {
  const os::MapiMail result = ResultMail("C:\\Desktop\\qrxReg.log", "Analysis Result.txt");
  EXPECT_EQ(result.subject, "Qrx Key Program");
  EXPECT_EQ(result.noteText, "Free text");
  EXPECT_EQ(result.recipientName, "Quorix Support");
  EXPECT_EQ(result.recipientAddress, kSupportAddress);
  EXPECT_EQ(result.recipientAddress.find("SMTP:"), std::string::npos);
  EXPECT_EQ(result.attachmentPath, "C:\\Desktop\\qrxReg.log");
  EXPECT_EQ(result.attachmentName, "Analysis Result.txt");

  const os::MapiMail data = DataMail("C:\\Temp\\Data.zip");
  EXPECT_EQ(data.subject, "Data files");
  EXPECT_EQ(data.noteText, "Free text");
  EXPECT_EQ(data.recipientName, "Quorix Support");
  EXPECT_EQ(data.attachmentPath, "C:\\Temp\\Data.zip");
  EXPECT_EQ(data.attachmentName, "");  // the mail program shows the file's own name
}

}  // namespace
}  // namespace tavisto::delivery
