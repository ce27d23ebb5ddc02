#include "tests/support/file_owner.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "os/file_security.h"

namespace tavisto::test {

bool GiveToAnotherUser(const std::string& path) {
  // The Administrators group owns it from now on.
  PSID administrators = nullptr;
  if (!ConvertStringSidToSidW(L"S-1-5-32-544", &administrators)) return false;
  const std::wstring wide(path.begin(), path.end());  // the tests' paths are ASCII
  const DWORD result = SetNamedSecurityInfoW(const_cast<wchar_t*>(wide.c_str()), SE_FILE_OBJECT,
                                             OWNER_SECURITY_INFORMATION, administrators, nullptr, nullptr, nullptr);
  LocalFree(administrators);
  return result == ERROR_SUCCESS && !os::OwnedByCurrentUser(path);
}

}  // namespace tavisto::test
