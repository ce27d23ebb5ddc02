#include "delivery/mapi_mail.h"

#include <vector>

#include "common/errors.h"
#include "os/registry.h"
#include "os/system_facts.h"

namespace tavisto::delivery {
namespace {

constexpr char kMessagingKey[] = "SOFTWARE\\Microsoft\\Windows Messaging Subsystem";
constexpr uint32_t kMapiValueBuffer = 9;

bool MessagingSubsystemSaysPresent() {
  const auto key = os::RegistryKey::Open(os::RegRoot::LocalMachine, kMessagingKey, os::kKeyRead);
  if (!key) return false;
  try {
    // The value's type is not looked at: only its first two bytes, "1" and a NUL.
    const std::vector<uint8_t> value = key->ReadBytes("MAPI", kMapiValueBuffer);
    return value.size() >= 2 && value[0] == '1' && value[1] == 0;
  } catch (const RegistryError&) {
    return false;  // missing, or longer than the buffer
  }
}

}  // namespace

bool SimpleMapiPresent() {
  const auto version = os::QueryOsVersion();
  const bool after351 = version && (version->major > 3 || (version->major == 3 && version->minor > 51));
  if (after351) return MessagingSubsystemSaysPresent();
  return os::ProfileInt("Mail", "MAPI", 0) != 0;
}

void SimpleMapi::LoadSimpleMapi() {
  if (checked_) return;
  checked_ = true;
  library_.reset();
  if (SimpleMapiPresent()) library_ = os::MapiLibrary::Load();
}

uint32_t SimpleMapi::SendMapiMail(uintptr_t session, uintptr_t parentWindow, const os::MapiMail& mail,
                                  uint32_t flags, uint32_t reserved) {
  LoadSimpleMapi();
  if (!library_ || !library_->ResolveSendMail()) return 1;
  return library_->SendMail(session, parentWindow, mail, flags, reserved);
}

bool SimpleMapi::CanSend() {
  LoadSimpleMapi();
  return library_ && library_->ResolveSendMail();
}

SimpleMapi& ProcessMapi() {
  static SimpleMapi mapi;
  return mapi;
}

}  // namespace tavisto::delivery
