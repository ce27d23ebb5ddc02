// Simple MAPI through MAPI32.DLL, loaded at run time (it may not be there at all).
#include "os/mail.h"

#include <windows.h>
#include <mapi.h>

#include <utility>

namespace tavisto::os {

int ProfileInt(const std::string& section, const std::string& key, int fallback) {
  return static_cast<int>(GetProfileIntA(section.c_str(), key.c_str(), fallback));
}

MapiLibrary::MapiLibrary(MapiLibrary&& other) noexcept
    : module_(std::exchange(other.module_, nullptr)), sendMail_(std::exchange(other.sendMail_, nullptr)) {}

MapiLibrary& MapiLibrary::operator=(MapiLibrary&& other) noexcept {
  if (this != &other) {
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
    module_ = std::exchange(other.module_, nullptr);
    sendMail_ = std::exchange(other.sendMail_, nullptr);
  }
  return *this;
}

MapiLibrary::~MapiLibrary() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

std::optional<MapiLibrary> MapiLibrary::Load() {
  HMODULE module = LoadLibraryA("MAPI32.DLL");
  if (!module) return std::nullopt;
  return MapiLibrary(module);
}

bool MapiLibrary::ResolveSendMail() {
  if (!sendMail_)
    sendMail_ = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), "MAPISendMail"));
  return sendMail_ != nullptr;
}

uint32_t MapiLibrary::SendMail(uintptr_t session, uintptr_t parentWindow, const MapiMail& mail, uint32_t flags,
                               uint32_t reserved) {
  // Simple MAPI takes writable 8-bit strings; it does not change them.
  std::string subject = mail.subject, note = mail.noteText, name = mail.recipientName;
  std::string address = mail.recipientAddress, path = mail.attachmentPath, fileName = mail.attachmentName;

  MapiRecipDesc recipient{};
  recipient.ulRecipClass = MAPI_TO;
  recipient.lpszName = name.data();
  recipient.lpszAddress = address.data();

  MapiFileDesc attachment{};
  attachment.flFlags = 0;
  attachment.nPosition = 0;
  attachment.lpszPathName = path.data();
  attachment.lpszFileName = fileName.empty() ? nullptr : fileName.data();

  MapiMessage message{};
  message.lpszSubject = subject.data();
  message.lpszNoteText = note.data();
  message.nRecipCount = 1;
  message.lpRecips = &recipient;
  message.nFileCount = 1;
  message.lpFiles = &attachment;

  auto* send = reinterpret_cast<LPMAPISENDMAIL>(sendMail_);
  return send(static_cast<LHANDLE>(session), static_cast<ULONG_PTR>(parentWindow), &message,
              static_cast<FLAGS>(flags), reserved);
}

}  // namespace tavisto::os
