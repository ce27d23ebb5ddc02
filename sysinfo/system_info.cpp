#include "sysinfo/system_info.h"

#include "os/process.h"
#include "os/registry.h"
#include "os/system_facts.h"
#include "os/text_encoding.h"
#include "sysinfo/identity_format.h"

namespace tavisto::sysinfo {

TSystemInfo::TSystemInfo() {
  computerName_ = os::ComputerName(16);
  userName_ = os::UserName(50);
  if (const auto memory = os::QueryPhysicalMemory()) {
    totalPhys_ = FormatKb(memory->totalBytes);
    availPhys_ = FormatKb(memory->availableBytes);
  }
  if (const auto version = os::QueryOsVersion()) {
    osVersion_ = FormatOsVersion(version->major, version->minor, version->build, version->servicePack);
    osPlatform_ = PlatformName(version->platformId);
    platformId_ = version->platformId;
  }
  // Needs the platform identifier read above.
  ReadOwner();
}

void TSystemInfo::ReadOwner() {
  // Under WOW64 a 32-bit program's HKLM\SOFTWARE is a redirected 32-bit copy that need not
  // hold the machine's owner: read the key Windows itself keeps.
  const auto view = os::IsRunningOnWow64() ? os::RegView::Native64 : os::RegView::Own;
  const auto key = os::RegistryKey::Open(os::RegRoot::LocalMachine, OwnerKeyPath(platformId_),
                                         os::kKeyRead, view);
  if (!key) return;
  // Shown in the panel and the report: in the code page.
  regOwner_ = os::Utf8ToAnsi(key->ReadString("RegisteredOwner")).Bytes();
  regCompany_ = os::Utf8ToAnsi(key->ReadString("RegisteredOrganization")).Bytes();
}

}  // namespace tavisto::sysinfo
