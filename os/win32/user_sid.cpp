// The process token's user, read once per question.
#include "os/win32/user_sid.h"

#include <windows.h>
#include <sddl.h>

#include "os/os_error.h"

namespace tavisto::os::win32 {

std::vector<unsigned char> CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) throw OSError(GetLastError());
  DWORD size = 0;
  (void)GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  const BOOL known = GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
  const DWORD error = GetLastError();
  CloseHandle(token);
  if (!known) throw OSError(error);
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const auto* bytes = static_cast<const unsigned char*>(sid);
  return std::vector<unsigned char>(bytes, bytes + GetLengthSid(sid));
}

std::wstring CurrentUserSidText() {
  std::vector<unsigned char> sid = CurrentUserSid();
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<PSID>(sid.data()), &text)) throw OSError(GetLastError());
  std::wstring result = text;
  LocalFree(text);
  return result;
}

}  // namespace tavisto::os::win32
