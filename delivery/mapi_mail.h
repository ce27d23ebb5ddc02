// Simple MAPI as the program uses it: a presence check made once per run, the mail library
// loaded when present, and MAPISendMail called through it.
#pragma once

#include <cstdint>
#include <optional>

#include "os/mail.h"

namespace tavisto::delivery {

class SimpleMapi {
 public:
  // The presence check and the library load, the first time only (also when they found no
  // mail system).
  void LoadSimpleMapi();

  // Sends through MAPISendMail with the caller's arguments unchanged and returns its code;
  // 1 (failure) without doing anything when MAPISendMail is not available. A failed look-up
  // of MAPISendMail is repeated at the next call.
  uint32_t SendMapiMail(uintptr_t session, uintptr_t parentWindow, const os::MapiMail& mail, uint32_t flags,
                        uint32_t reserved);

  // Whether MAPISendMail can be called: the presence check (made once) found the mail library,
  // and the library has it.
  [[nodiscard]] bool CanSend();

  [[nodiscard]] bool Checked() const { return checked_; }
  [[nodiscard]] bool Loaded() const { return library_.has_value(); }

 private:
  bool checked_ = false;
  std::optional<os::MapiLibrary> library_;
};

// Whether the system says Simple MAPI is there: the "MAPI" value of the Windows Messaging
// Subsystem key reads "1" (after Windows 3.51), or the [Mail] MAPI profile entry is set.
[[nodiscard]] bool SimpleMapiPresent();

// The process-wide instance the window's mail handlers use.
SimpleMapi& ProcessMapi();

}  // namespace tavisto::delivery
