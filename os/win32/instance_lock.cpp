// The lock is a named mutex whose name carries the user's security identifier, in the global
// namespace so that the user's other sessions see it too. Its existence is the lock: the system
// removes it with the last handle, so a holder that was killed leaves nothing behind.
#include "os/instance_lock.h"

#include <windows.h>

#include "os/os_error.h"
#include "os/win32/user_sid.h"
#include "os/win32/wide.h"

namespace tavisto::os {

void LockHandleTraits::Close(Type handle) noexcept { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

std::optional<InstanceLock> InstanceLock::TryTake(const std::string& name) {
  const std::wstring fullName = L"Global\\" + win32::Widen(name) + L" " + win32::CurrentUserSidText();
  HANDLE mutex = CreateMutexW(nullptr, FALSE, fullName.c_str());
  if (!mutex) throw OSError(GetLastError());
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return std::nullopt;
  }
  return InstanceLock(reinterpret_cast<Type>(mutex));
}

}  // namespace tavisto::os
