#include "sysinfo/system_info.h"

#include <gtest/gtest.h>

#include "os/errors.h"
#include "tests/support/win/registry_fixture.h"

namespace tavisto::sysinfo {
namespace {

constexpr char kOwnerKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

TEST(TSystemInfo, ReadsOwnerAndOrganisationFromTheNtKey) {
  test::RegistryFixture reg;
  reg.SetString(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner", "Ada Lovelace");
  reg.SetString(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOrganization", "Analytical Engines");
  const TSystemInfo info;
  EXPECT_EQ(info.OSPlatform(), "Windows NT");
  EXPECT_EQ(info.RegOwner(), "Ada Lovelace");
  EXPECT_EQ(info.RegCompany(), "Analytical Engines");
}

TEST(TSystemInfo, MissingOwnerValuesReadAsEmpty) {
  test::RegistryFixture reg;
  reg.DeleteValue(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner");
  reg.DeleteValue(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOrganization");
  const TSystemInfo info;
  EXPECT_EQ(info.RegOwner(), "");
  EXPECT_EQ(info.RegCompany(), "");
}

TEST(TSystemInfo, AnOwnerOfTheWrongTypeIsARegistryError) {
  test::RegistryFixture reg;
  reg.SetDword(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner", 7);
  try {
    const TSystemInfo info;
    FAIL() << "a REG_DWORD owner must not be read as text";
  } catch (const RegistryError& error) {
    EXPECT_STREQ(error.what(), "Type de donn\xE9" "es incorrect pour 'RegisteredOwner'");
  }
}

TEST(TSystemInfo, MemoryIsWholeKibBeyondFourGib) {
  const TSystemInfo info;
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  EXPECT_EQ(info.TotalPhys(), std::to_string(status.ullTotalPhys >> 10) + " Kb");
  EXPECT_NE(info.AvailPhys().find(" Kb"), std::string::npos);
}

}  // namespace
}  // namespace tavisto::sysinfo
