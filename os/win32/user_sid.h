// The security identifier of the user this process runs as, which the private folders and the
// per-user lock are made for.
#pragma once

#include <string>
#include <vector>

namespace tavisto::os::win32 {

// The SID's bytes (a SID, to be cast to PSID). OSError when the token cannot be read.
[[nodiscard]] std::vector<unsigned char> CurrentUserSid();
// The SID in its string form ("S-1-5-21-...").
[[nodiscard]] std::wstring CurrentUserSidText();

}  // namespace tavisto::os::win32
