#include "delivery/mapi_mail.h"

#include <gtest/gtest.h>

#include "tests/support/win/registry_fixture.h"

namespace tavisto::delivery {
namespace {

constexpr char kKey[] = "SOFTWARE\\Microsoft\\Windows Messaging Subsystem";

TEST(SimpleMapiPresent, OnlyAOneAndANulSayPresent) {
  test::RegistryFixture reg;
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "MAPI", "1");
  EXPECT_TRUE(SimpleMapiPresent());
  // The type is not looked at: a binary "1" and NUL counts too.
  reg.SetBinary(HKEY_LOCAL_MACHINE, kKey, "MAPI", {'1', 0});
  EXPECT_TRUE(SimpleMapiPresent());
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "MAPI", "0");
  EXPECT_FALSE(SimpleMapiPresent());
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "MAPI", "12");
  EXPECT_FALSE(SimpleMapiPresent());
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "MAPI", "1 and more than nine bytes");
  EXPECT_FALSE(SimpleMapiPresent());
  reg.DeleteValue(HKEY_LOCAL_MACHINE, kKey, "MAPI");
  EXPECT_FALSE(SimpleMapiPresent());
}

TEST(SimpleMapi, WithoutAMailSystemNothingIsSentAndTheCheckIsNotRepeated) {
  test::RegistryFixture reg;
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "MAPI", "0");
  SimpleMapi mapi;
  EXPECT_EQ(mapi.SendMapiMail(0, 0, os::MapiMail{}, os::kMapiLogonUi | os::kMapiDialog, 0), 1u);
  EXPECT_TRUE(mapi.Checked());
  EXPECT_FALSE(mapi.Loaded());
  // Switched on later in the same run: the first check stands.
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "MAPI", "1");
  EXPECT_EQ(mapi.SendMapiMail(0, 0, os::MapiMail{}, 0, 0), 1u);
  EXPECT_FALSE(mapi.Loaded());
}

TEST(SimpleMapi, WithAMailSystemTheLibraryIsLoaded) {
  test::RegistryFixture reg;
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "MAPI", "1");
  SimpleMapi mapi;
  mapi.LoadSimpleMapi();
  EXPECT_TRUE(mapi.Loaded());
}

}  // namespace
}  // namespace tavisto::delivery
