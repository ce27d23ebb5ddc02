// Simple MAPI, the mail interface Windows mail programs publish in MAPI32.DLL: whether the
// system says it is there, and one call, MAPISendMail, with a one-recipient message. The
// message's texts and the attachment's path are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "os/library_handle.h"

namespace tavisto::os {

struct MapiMail {
  std::string subject;
  std::string noteText;
  std::string recipientName;
  std::string recipientAddress;  // a plain address, no address-type prefix
  std::string attachmentPath;
  std::string attachmentName;  // the name the recipient sees; empty: the file's own name
};

inline constexpr uint32_t kMapiLogonUi = 0x1;
inline constexpr uint32_t kMapiDialog = 0x8;
inline constexpr uint32_t kMapiToRecipient = 1;

// Windows' profile (win.ini) integer entry, as GetProfileIntA reads it.
[[nodiscard]] int ProfileInt(const std::string& section, const std::string& key, int fallback);

// MAPI32.DLL, loaded for the rest of the run once someone asked for it.
class MapiLibrary {
 public:
  MapiLibrary(MapiLibrary&& other) noexcept = default;
  MapiLibrary& operator=(MapiLibrary&& other) noexcept = default;
  MapiLibrary(const MapiLibrary&) = delete;
  MapiLibrary& operator=(const MapiLibrary&) = delete;
  ~MapiLibrary() = default;

  // Nothing when the library does not load.
  [[nodiscard]] static std::optional<MapiLibrary> Load();

  // Looks MAPISendMail up (again, if an earlier look failed); true when it is known.
  [[nodiscard]] bool ResolveSendMail();

  // MAPISendMail with the message; the result is Simple MAPI's code. Needs ResolveSendMail.
  // An attachment path the code page cannot hold goes in its short form, else through
  // MAPISendMailW when the library has it.
  uint32_t SendMail(uintptr_t session, uintptr_t parentWindow, const MapiMail& mail, uint32_t flags,
                    uint32_t reserved);

 private:
  explicit MapiLibrary(void* module) : module_(module) {}
  LibraryHandle module_;
  void* sendMail_ = nullptr;
  void* sendMailW_ = nullptr;  // MAPISendMailW, where the library has it
};

}  // namespace tavisto::os
