// Private folders through a security descriptor made from its string form, and owners through
// the file's security information.
#include "os/file_security.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "os/os_error.h"
#include "os/win32/user_sid.h"
#include "os/win32/wide.h"

namespace tavisto::os {

bool MakePrivateFolder(const std::string& path) {
  std::wstring sid;
  try {
    sid = win32::CurrentUserSidText();
  } catch (const OSError& error) {
    SetLastError(error.Code());
    return false;
  }
  // Owner the user; the access list protected from what the parent folder would pass on, with
  // one entry: full access for the user, inherited by what is made inside.
  const std::wstring text = L"O:" + sid + L"D:P(A;OICI;FA;;;" + sid + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = descriptor;
  const BOOL made = CreateDirectoryW(win32::WidePath(path).c_str(), &attributes);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return made != 0;
}

bool OwnedByCurrentUser(const std::string& path) {
  // Opened as the link itself when it is one: a link's owner, not its target's, says who put
  // it there.
  HANDLE handle = CreateFileW(win32::WidePath(path).c_str(), READ_CONTROL,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD result = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                       nullptr, &descriptor);
  CloseHandle(handle);
  if (result != ERROR_SUCCESS) return false;
  bool same = false;
  try {
    std::vector<unsigned char> user = win32::CurrentUserSid();
    same = owner && EqualSid(owner, reinterpret_cast<PSID>(user.data()));
  } catch (const OSError&) {
    same = false;
  }
  LocalFree(descriptor);
  return same;
}

}  // namespace tavisto::os
