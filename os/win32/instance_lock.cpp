// The lock is a named mutex whose name carries the user's security identifier, in the global
// namespace so that the user's other sessions see it too, made with a security descriptor that
// gives the user alone any access. Its existence is the lock: the system removes it with the
// last handle, so a holder that was killed leaves nothing behind. Any account may make an object
// of that name first (a shared machine, LocalSystem's lock guessed by a user): one the user does
// not own is not the user's lock, and the next name is tried.
#include "os/instance_lock.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "os/os_error.h"
#include "os/win32/user_sid.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

// Names other accounts may have taken before the lock gives up.
constexpr int kMostNames = 8;

bool OwnedBy(HANDLE object, const std::vector<unsigned char>& user) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return false;
  const bool same = owner && EqualSid(owner, const_cast<unsigned char*>(user.data()));
  LocalFree(descriptor);
  return same;
}

}  // namespace

void LockHandleTraits::Close(Type handle) noexcept { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

std::optional<InstanceLock> InstanceLock::TryTake(const std::string& name) {
  const std::vector<unsigned char> user = win32::CurrentUserSid();
  const std::wstring sid = win32::CurrentUserSidText();
  // Owned by the user; one entry in the access list: all access for the user.
  const std::wstring text = L"O:" + sid + L"D:P(A;;GA;;;" + sid + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    throw OSError(GetLastError());
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = descriptor;
  std::optional<InstanceLock> taken;
  bool heldByUser = false;
  DWORD error = ERROR_ACCESS_DENIED;
  for (int number = 1; number <= kMostNames && !taken && !heldByUser; ++number) {
    const std::wstring fullName = L"Global\\" + win32::Widen(name) + L" " + sid +
                                  (number == 1 ? L"" : L" " + std::to_wstring(number));
    HANDLE mutex = CreateMutexW(&attributes, FALSE, fullName.c_str());
    if (!mutex) {
      // Another account's object of that name that refuses us, or one of another kind.
      error = GetLastError();
      if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE) continue;
      LocalFree(descriptor);
      throw OSError(error);
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      taken.emplace(InstanceLock(reinterpret_cast<Type>(mutex)));
      break;
    }
    heldByUser = OwnedBy(mutex, user);
    CloseHandle(mutex);
  }
  LocalFree(descriptor);
  if (!taken && !heldByUser) throw OSError(error);
  return taken;
}

}  // namespace tavisto::os
