// The two messages the program hands to the mail program, addressed to the support mailbox.
#pragma once

#include <cstdint>
#include <optional>
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

// Simple MAPI's result codes the window tells apart.
inline constexpr uint32_t kMapiSuccess = 0;
inline constexpr uint32_t kMapiUserAbort = 1;  // the user discarded the message

// Which mail a failure is about: what the user can do instead is save it and attach it himself.
enum class MailKind { Result, Data };

// What the window says when a message did not reach the mail program: code is MAPISendMail's
// result, or nothing when no mail program offers Simple MAPI at all. One sentence on what
// happened, one on what to do instead; "" when there is nothing to say (sent, or discarded by
// the user).
//   "The mail program could not log on to your mail account. Save Data puts Data.zip on your
//    desktop so that you can attach it yourself."
[[nodiscard]] std::string MailFailureText(std::optional<uint32_t> code, MailKind kind);

}  // namespace tavisto::delivery
