#include "lookups/sibling_products.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "tests/support/win/registry_fixture.h"

namespace tavisto::lookups {
namespace {

constexpr char kZorvel[] = "Software\\Velmo\\Zorvel\\AppPath";
constexpr char kQuorix[] = "Software\\Velmo\\Quorix\\AppPath";
constexpr char kPylvex[] = "Software\\Velmo\\Pylvex\\AppPath";
constexpr char kVoyra[] = "Software\\Velmo\\Voyra\\AppPath";
constexpr char kMultiQrx[] = "Software\\Velmo\\MultiQrx\\AppPath";

// Each test starts from a machine without the maker's key; the fixture removes what it wrote.
class SiblingProducts : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Velmo"); }
  void Install(const char* key, const std::string& appPath) { reg.SetString(HKEY_CURRENT_USER, key, "AppPath", appPath); }
  test::RegistryFixture reg;
};

TEST_F(SiblingProducts, NothingInstalledReadsAsEmpty) {
  EXPECT_EQ(ReadProductValue(SiblingProduct::Zorvel, "AppPath"), "");
  for (SiblingProduct product : kAllProducts) {
    EXPECT_FALSE(IsProductInstalled(product));
    EXPECT_FALSE(HasProductData(product));
  }
  EXPECT_EQ(GetAnyProductAppPath(), "");
  EXPECT_EQ(GetProductsBaseFolder(), "");
}

TEST_F(SiblingProducts, AKeyWithoutAppPathIsNotInstalled) {
  reg.SetString(HKEY_CURRENT_USER, kPylvex, "AppDataPath", "C:\\Data\\Pylvex\\");
  EXPECT_FALSE(IsProductInstalled(SiblingProduct::Pylvex));
  EXPECT_TRUE(HasProductData(SiblingProduct::Pylvex));
  EXPECT_EQ(ReadProductValue(SiblingProduct::Pylvex, "AppDataPath"), "C:\\Data\\Pylvex\\");
}

TEST_F(SiblingProducts, ValuesAreReadAfreshAndAsStored) {
  Install(kVoyra, "C:\\Apps\\Voyra");
  EXPECT_EQ(ReadProductValue(SiblingProduct::Voyra, "AppPath"), "C:\\Apps\\Voyra");
  Install(kVoyra, "E:\\Moved\\Voyra\\");
  EXPECT_EQ(ReadProductValue(SiblingProduct::Voyra, "AppPath"), "E:\\Moved\\Voyra\\");
  // An expandable string comes back unexpanded, and so does the base folder made from it.
  reg.SetString(HKEY_CURRENT_USER, kQuorix, "AppPath", "%ProgramFiles%\\X\\Quorix", REG_EXPAND_SZ);
  EXPECT_EQ(ReadProductValue(SiblingProduct::Quorix, "AppPath"), "%ProgramFiles%\\X\\Quorix");
  EXPECT_EQ(GetProductsBaseFolder(), "%ProgramFiles%\\X\\");
}

TEST_F(SiblingProducts, KeyNamesMatchWithoutRegardToCase) {
  reg.SetString(HKEY_CURRENT_USER, "SOFTWARE\\velmo\\ZORVEL\\apppath", "AppPath", "C:\\Z\\Zorvel\\");
  EXPECT_TRUE(IsProductInstalled(SiblingProduct::Zorvel));
}

TEST_F(SiblingProducts, QuorixBranchTakesTheFirstKeyThatOpens) {
  Install(kZorvel, "C:\\A\\Zorvel\\");
  Install(kQuorix, "D:\\B\\Quorix\\");
  EXPECT_EQ(GetAnyProductAppPath(), "C:\\A\\Zorvel\\");
  EXPECT_EQ(GetProductsBaseFolder(), "C:\\A\\");
}

TEST_F(SiblingProducts, QuorixAloneGivesItsOwnParent) {
  Install(kQuorix, "D:\\Apps\\Suite\\Quorix");
  EXPECT_EQ(GetAnyProductAppPath(), "D:\\Apps\\Suite\\Quorix");
  EXPECT_EQ(GetProductsBaseFolder(), "D:\\Apps\\Suite\\");
}

TEST_F(SiblingProducts, AnOpeningKeyWithoutAppPathStillEndsTheSearch) {
  reg.SetString(HKEY_CURRENT_USER, kZorvel, "AppDataPath", "C:\\ZData\\");
  Install(kQuorix, "D:\\B\\Quorix\\");
  EXPECT_EQ(GetAnyProductAppPath(), "");
  // Quorix is installed, so its own folder gives the base folder rather than none at all.
  EXPECT_EQ(GetProductsBaseFolder(), "D:\\B\\");
}

TEST_F(SiblingProducts, BaseFolderFollowsThePylvexVoyraZorvelOrder) {
  Install(kZorvel, "C:\\Z\\Zorvel\\");
  EXPECT_EQ(GetProductsBaseFolder(), "C:\\Z\\");
  Install(kVoyra, "C:\\V\\Voyra\\");
  EXPECT_EQ(GetProductsBaseFolder(), "C:\\V\\");
  Install(kPylvex, "C:\\P\\Pylvex\\");
  EXPECT_EQ(GetProductsBaseFolder(), "C:\\P\\");
}

TEST_F(SiblingProducts, QuorixWithDataButNoProgramFolderIsPackedButGivesNoBase) {
  reg.SetString(HKEY_CURRENT_USER, kQuorix, "AppPath", "");
  reg.SetString(HKEY_CURRENT_USER, kQuorix, "AppDataPath", "C:\\QData\\");
  Install(kVoyra, "C:\\V\\Voyra\\");
  EXPECT_TRUE(HasProductData(SiblingProduct::Quorix));
  EXPECT_FALSE(IsProductInstalled(SiblingProduct::Quorix));
  EXPECT_EQ(GetProductsBaseFolder(), "C:\\V\\");
}

TEST_F(SiblingProducts, OnlyMultiQrxHasNoBaseFolder) {
  Install(kMultiQrx, "C:\\M\\MultiQrx\\");
  EXPECT_TRUE(IsProductInstalled(SiblingProduct::MultiQrx));
  for (SiblingProduct product : {SiblingProduct::Zorvel, SiblingProduct::Quorix, SiblingProduct::Pylvex,
                                 SiblingProduct::Voyra})
    EXPECT_FALSE(IsProductInstalled(product));
  EXPECT_EQ(GetAnyProductAppPath(), "");
  EXPECT_EQ(GetProductsBaseFolder(), "");
}

TEST_F(SiblingProducts, AValueOfAnotherTypeIsARegistryError) {
  reg.SetDword(HKEY_CURRENT_USER, kZorvel, "AppPath", 12);
  const std::string expected = "Type de donn\xC3\xA9" "es incorrect pour 'AppPath'";
  try {
    (void)IsProductInstalled(SiblingProduct::Zorvel);
    FAIL() << "a REG_DWORD AppPath must not read as text";
  } catch (const RegistryError& error) {
    EXPECT_EQ(error.what(), expected);
  }
  EXPECT_THROW((void)GetProductsBaseFolder(), RegistryError);
  EXPECT_THROW((void)GetAnyProductAppPath(), RegistryError);
}

// The jobs go on without a folder value that is not text: one line names the product, the value,
// its key and its type; a string, even empty, and a missing key are no problem.
TEST_F(SiblingProducts, AFolderValueThatIsNotTextIsNamed) {
  reg.SetDword(HKEY_CURRENT_USER, kZorvel, "AppPath", 12);
  reg.SetBinary(HKEY_CURRENT_USER, kQuorix, "AppDataPath", {1, 2});
  reg.SetString(HKEY_CURRENT_USER, kQuorix, "AppPath", "");
  reg.SetString(HKEY_CURRENT_USER, kPylvex, "AppDataPath", "C:\\Data\\");
  const ProductFolder zorvel = ReadProductFolder(SiblingProduct::Zorvel, "AppPath");
  EXPECT_EQ(zorvel.path, "");
  EXPECT_EQ(zorvel.problem,
            "Zorvel: AppPath in HKEY_CURRENT_USER\\Software\\Velmo\\Zorvel\\AppPath is a REG_DWORD, not a folder");
  EXPECT_EQ(ReadProductFolder(SiblingProduct::Quorix, "AppDataPath").problem,
            "Quorix: AppDataPath in HKEY_CURRENT_USER\\Software\\Velmo\\Quorix\\AppPath is a REG_BINARY, not a folder");
  EXPECT_TRUE(ReadProductFolder(SiblingProduct::Quorix, "AppPath").Readable());
  const ProductFolder pylvex = ReadProductFolder(SiblingProduct::Pylvex, "AppDataPath");
  EXPECT_TRUE(pylvex.Readable());
  EXPECT_EQ(pylvex.path, "C:\\Data\\");
  EXPECT_TRUE(ReadProductFolder(SiblingProduct::Voyra, "AppPath").Readable());
}

}  // namespace
}  // namespace tavisto::lookups
