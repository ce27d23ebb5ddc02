// The two messages the program hands to the mail program, addressed to the support mailbox.
#pragma once

#include <string>

#include "os/mail.h"

namespace tavisto::delivery {

// The support mailbox every message goes to (one place to change it).
inline constexpr char kSupportName[] = "Quorix Support";
inline constexpr char kSupportAddress[] = "support@velmo.it";

// "Send result by email": the report. attachmentName is what the recipient sees.
[[nodiscard]] os::MapiMail ResultMail(const std::string& reportPath, const std::string& attachmentName);
// "Send data by email": Data.zip.
[[nodiscard]] os::MapiMail DataMail(const std::string& dataZipPath);

}  // namespace tavisto::delivery
