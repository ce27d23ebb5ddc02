// The two mails as jobs, with no window of their own: the report or the session's Data.zip handed
// to the mail program through Simple MAPI, addressed to support. Each returns what the user must
// be told when the message did not reach the mail program, after the words the window puts
// first ("unable send email"); "" when there is nothing to say.
//   const std::string failure = SendDataMail(session, asker, parentWindow);
#pragma once

#include <cstdint>
#include <string>

#include "delivery/asker.h"
#include "jobs/session.h"

namespace tavisto::jobs {

// The report text, written into a new folder of the session's as qrxReg.log and offered as
// "Analysis Result.txt": no file of the user's is touched. The folder goes once the mail program
// has taken the message.
[[nodiscard]] std::string SendResultMail(Session& session, const std::string& memoText, uintptr_t parentWindow);

// The session's Data.zip; one larger than many mail systems take is mailed only when asker says
// so ("" when it says no).
[[nodiscard]] std::string SendDataMail(Session& session, delivery::Asker& asker, uintptr_t parentWindow);

}  // namespace tavisto::jobs
