#include "sysinfo/system_info.h"

#include "os/registry.h"
#include "os/system_facts.h"
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
  const auto key = os::RegistryKey::Open(os::RegRoot::LocalMachine, OwnerKeyPath(platformId_));
  if (!key) return;
  regOwner_ = key->ReadString("RegisteredOwner");
  regCompany_ = key->ReadString("RegisteredOrganization");
}

}  // namespace tavisto::sysinfo
