// Get Data's registry lookups on the real registry: a folder value of another type than text
// leaves that product out with the problem as its reason, and never stops the others.
#include <gtest/gtest.h>

#include "delivery/get_data.h"
#include "tests/support/win/registry_fixture.h"

namespace tavisto::delivery {
namespace {

using lookups::SiblingProduct;

TEST(PlanGetData, AFolderValueThatIsNoTextLeavesItsProductOutAndTheOthersIn) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Velmo");
  test::RegistryFixture reg;
  const auto key = [](SiblingProduct product) { return std::string(lookups::Describe(product).registryKey); };
  reg.SetDword(HKEY_CURRENT_USER, key(SiblingProduct::Zorvel), "AppPath", 1);
  reg.SetString(HKEY_CURRENT_USER, key(SiblingProduct::Quorix), "AppPath", "C:\\Q\\");
  reg.SetDword(HKEY_CURRENT_USER, key(SiblingProduct::Quorix), "AppDataPath", 2);
  reg.SetString(HKEY_CURRENT_USER, key(SiblingProduct::Pylvex), "AppPath", "C:\\P\\");
  reg.SetString(HKEY_CURRENT_USER, key(SiblingProduct::Pylvex), "AppDataPath", "C:\\P\\Data\\");

  const GetDataPlan plan = PlanGetData();
  const struct {
    SiblingProduct product;
    const char* value;
  } unreadable[] = {{SiblingProduct::Zorvel, "AppPath"}, {SiblingProduct::Quorix, "AppDataPath"}};
  for (const auto& each : unreadable) {
    SCOPED_TRACE(lookups::Describe(each.product).name);
    const auto& leftOut = plan.unreadable[size_t(each.product)];
    ASSERT_TRUE(leftOut.has_value());
    EXPECT_EQ(leftOut->dataFolder, "");
    EXPECT_EQ(leftOut->path, "HKEY_CURRENT_USER\\" + key(each.product) + "\\" + each.value);
    EXPECT_EQ(leftOut->reason, std::string(lookups::Describe(each.product).name) + ": " + each.value +
                                   " in HKEY_CURRENT_USER\\" + key(each.product) + " is a REG_DWORD, not a folder");
    EXPECT_EQ(leftOut->line, leftOut->reason);
    EXPECT_FALSE(plan.dataPaths[size_t(each.product)].has_value());
  }
  EXPECT_EQ(plan.dataPaths[size_t(SiblingProduct::Pylvex)], "C:\\P\\Data\\");
  EXPECT_FALSE(plan.unreadable[size_t(SiblingProduct::Pylvex)].has_value());
  EXPECT_FALSE(plan.dataPaths[size_t(SiblingProduct::Voyra)].has_value()) << "not installed";
}

}  // namespace
}  // namespace tavisto::delivery
