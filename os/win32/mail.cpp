// Simple MAPI through MAPI32.DLL, loaded at run time (it may not be there at all). Simple MAPI
// takes 8-bit strings: the message goes as code-page text, as it always has. An attachment
// whose path the code page cannot hold goes under the path's short form, else through
// MAPISendMailW where the system has it, so the mail program still finds the file.
#include "os/mail.h"

#include <windows.h>
#include <mapi.h>

#include <utility>

#include "os/text_encoding.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

// The wide Simple MAPI records (Windows 8 and later; the SDK headers here lack them).
struct MapiRecipDescW {
  ULONG ulReserved;
  ULONG ulRecipClass;
  PWSTR lpszName;
  PWSTR lpszAddress;
  ULONG ulEIDSize;
  PVOID lpEntryID;
};
struct MapiFileDescW {
  ULONG ulReserved;
  ULONG flFlags;
  ULONG nPosition;
  PWSTR lpszPathName;
  PWSTR lpszFileName;
  PVOID lpFileType;
};
struct MapiMessageW {
  ULONG ulReserved;
  PWSTR lpszSubject;
  PWSTR lpszNoteText;
  PWSTR lpszMessageType;
  PWSTR lpszDateReceived;
  PWSTR lpszConversationID;
  FLAGS flFlags;
  MapiRecipDescW* lpOriginator;
  ULONG nRecipCount;
  MapiRecipDescW* lpRecips;
  ULONG nFileCount;
  MapiFileDescW* lpFiles;
};
using MapiSendMailW = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, MapiMessageW*, FLAGS, ULONG);

// The text in the code page, when the code page holds every character of it.
std::optional<std::string> InCodePage(const std::string& text) {
  const AnsiText ansi = Utf8ToAnsi(text);
  if (AnsiToUtf8(ansi) != text) return std::nullopt;
  return ansi.Bytes();
}

// The path's short (8.3) form, which is plain ASCII where the volume keeps short names.
std::string ShortPath(const std::string& path) {
  const std::wstring wide = win32::WidePath(path);
  const DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::wstring shortPath(needed, L'\0');
  const DWORD length = GetShortPathNameW(wide.c_str(), shortPath.data(), needed);
  if (length == 0 || length >= needed) return path;
  shortPath.resize(length);
  return win32::WithoutExtendedPrefix(win32::Narrow(shortPath));
}

// The message's texts in the width of the entry point they go to. Simple MAPI takes writable
// strings; it does not change them.
template <typename Text>
struct MessageTexts {
  Text subject, note, name, address, path, fileName;
};

// One recipient (To) and one attachment, every other field zero, in the 8-bit or wide records.
template <typename Message, typename Recipient, typename Attachment, typename Function, typename Text>
uint32_t Send(Function send, MessageTexts<Text>& texts, uintptr_t session, uintptr_t parentWindow, uint32_t flags,
              uint32_t reserved) {
  Recipient recipient{};
  recipient.ulRecipClass = MAPI_TO;
  recipient.lpszName = texts.name.data();
  recipient.lpszAddress = texts.address.data();

  Attachment attachment{};
  attachment.flFlags = 0;
  attachment.nPosition = 0;
  attachment.lpszPathName = texts.path.data();
  attachment.lpszFileName = texts.fileName.empty() ? nullptr : texts.fileName.data();

  Message message{};
  message.lpszSubject = texts.subject.data();
  message.lpszNoteText = texts.note.data();
  message.nRecipCount = 1;
  message.lpRecips = &recipient;
  message.nFileCount = 1;
  message.lpFiles = &attachment;
  return send(static_cast<LHANDLE>(session), static_cast<ULONG_PTR>(parentWindow), &message,
              static_cast<FLAGS>(flags), reserved);
}

}  // namespace

int ProfileInt(const std::string& section, const std::string& key, int fallback) {
  return static_cast<int>(GetProfileIntA(section.c_str(), key.c_str(), fallback));
}

std::optional<MapiLibrary> MapiLibrary::Load() {
  HMODULE module = LoadLibraryA("MAPI32.DLL");
  if (!module) return std::nullopt;
  return MapiLibrary(module);
}

bool MapiLibrary::ResolveSendMail() {
  if (!sendMail_) {
    sendMail_ = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_.Get()), "MAPISendMail"));
    sendMailW_ = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_.Get()), "MAPISendMailW"));
  }
  return sendMail_ != nullptr;
}

uint32_t MapiLibrary::SendMail(uintptr_t session, uintptr_t parentWindow, const MapiMail& mail, uint32_t flags,
                               uint32_t reserved) {
  std::optional<std::string> ansiPath = InCodePage(mail.attachmentPath);
  // The short form reaches every mail program; the wide entry point only those that take it (a
  // library that passes the wide call on to an 8-bit mail program loses the characters).
  if (!ansiPath) ansiPath = InCodePage(ShortPath(mail.attachmentPath));
  if (!ansiPath && sendMailW_) {
    const auto wide = [](const std::string& text) { return win32::Widen(text); };
    MessageTexts<std::wstring> texts{wide(mail.subject),        wide(mail.noteText), wide(mail.recipientName),
                                     wide(mail.recipientAddress), wide(mail.attachmentPath),
                                     wide(mail.attachmentName)};
    return Send<MapiMessageW, MapiRecipDescW, MapiFileDescW>(reinterpret_cast<MapiSendMailW>(sendMailW_), texts,
                                                              session, parentWindow, flags, reserved);
  }
  const auto ansi = [](const std::string& text) { return Utf8ToAnsi(text).Bytes(); };
  MessageTexts<std::string> texts{ansi(mail.subject),
                                  ansi(mail.noteText),
                                  ansi(mail.recipientName),
                                  ansi(mail.recipientAddress),
                                  ansiPath ? *ansiPath : ansi(mail.attachmentPath),
                                  ansi(mail.attachmentName)};
  return Send<MapiMessage, MapiRecipDesc, MapiFileDesc>(reinterpret_cast<LPMAPISENDMAIL>(sendMail_), texts, session,
                                                        parentWindow, flags, reserved);
}

}  // namespace tavisto::os
