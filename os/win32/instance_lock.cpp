// The lock is a named mutex whose name carries the user's security identifier, in the global
// namespace so that the user's other sessions see it too. Its existence is the lock: the system
// removes it with the last handle, so a holder that was killed leaves nothing behind.
#include "os/instance_lock.h"

#include <windows.h>
#include <sddl.h>

#include "os/errors.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) throw OSError(GetLastError());
  DWORD size = 0;
  (void)GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  const BOOL known = GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
  const DWORD error = GetLastError();
  CloseHandle(token);
  if (!known) throw OSError(error);
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
    throw OSError(GetLastError());
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

}  // namespace

void LockHandleTraits::Close(Type handle) noexcept { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

std::optional<InstanceLock> InstanceLock::TryTake(const std::string& name) {
  const std::wstring fullName = L"Global\\" + win32::Widen(name) + L" " + UserSid();
  HANDLE mutex = CreateMutexW(nullptr, FALSE, fullName.c_str());
  if (!mutex) throw OSError(GetLastError());
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return std::nullopt;
  }
  return InstanceLock(reinterpret_cast<Type>(mutex));
}

}  // namespace tavisto::os
