#include "sysinfo/system_info.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "tests/support/win/registry_fixture.h"

namespace tavisto::sysinfo {
namespace {

constexpr char kOwnerKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

TEST(TSystemInfo, ReadsOwnerAndOrganisationFromTheNtKey) {
  test::RegistryFixture reg(KEY_WOW64_64KEY);
  reg.SetString(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner", "Ada Lovelace");
  reg.SetString(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOrganization", "Analytical Engines");
  const TSystemInfo info;
  EXPECT_EQ(info.OSPlatform(), "Windows NT");
  EXPECT_EQ(info.RegOwner(), "Ada Lovelace");
  EXPECT_EQ(info.RegCompany(), "Analytical Engines");
}

// A 32-bit program on 64-bit Windows sees a redirected 32-bit copy of the key, which need not
// hold the owner that Windows shows; the identity is the machine's, whichever the build.
TEST(TSystemInfo, OwnerComesFromTheSixtyFourBitRegistryView) {
  test::RegistryFixture reg(KEY_WOW64_64KEY);
  test::RegistryFixture copy(KEY_WOW64_32KEY);
  reg.SetString(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner", "Ada Lovelace");
  reg.SetString(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOrganization", "Analytical Engines");
  copy.SetString(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner", "32-bit copy");
  copy.DeleteValue(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOrganization");
  const TSystemInfo info;
  EXPECT_EQ(info.RegOwner(), "Ada Lovelace");
  EXPECT_EQ(info.RegCompany(), "Analytical Engines");
}

TEST(TSystemInfo, MissingOwnerValuesReadAsEmpty) {
  test::RegistryFixture reg(KEY_WOW64_64KEY);
  reg.DeleteValue(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner");
  reg.DeleteValue(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOrganization");
  const TSystemInfo info;
  EXPECT_EQ(info.RegOwner(), "");
  EXPECT_EQ(info.RegCompany(), "");
}

TEST(TSystemInfo, AnOwnerOfTheWrongTypeIsARegistryError) {
  test::RegistryFixture reg(KEY_WOW64_64KEY);
  reg.SetDword(HKEY_LOCAL_MACHINE, kOwnerKey, "RegisteredOwner", 7);
  try {
    const TSystemInfo info;
    FAIL() << "a REG_DWORD owner must not be read as text";
  } catch (const RegistryError& error) {
    EXPECT_STREQ(error.what(), "Type de donn\xC3\xA9" "es incorrect pour 'RegisteredOwner'");
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
