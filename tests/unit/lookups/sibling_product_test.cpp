#include "lookups/sibling_product.h"

#include <gtest/gtest.h>

namespace tavisto::lookups {
namespace {

TEST(ParentFolderOf, IsTheFolderAboveWithItsBackslash) {
  EXPECT_EQ(ParentFolderOf("D:\\Apps\\Suite\\Quorix\\"), "D:\\Apps\\Suite\\");
  EXPECT_EQ(ParentFolderOf("D:\\Apps\\Suite\\Quorix"), "D:\\Apps\\Suite\\");
  // Only one trailing backslash is dropped before the search.
  EXPECT_EQ(ParentFolderOf("D:\\Apps\\Quorix\\\\"), "D:\\Apps\\Quorix\\");
  EXPECT_EQ(ParentFolderOf("%ProgramFiles%\\X\\Quorix"), "%ProgramFiles%\\X\\");
}

TEST(ParentFolderOf, IsEmptyWhenNoBackslashIsLeft) {
  EXPECT_EQ(ParentFolderOf("Quorix"), "");
  EXPECT_EQ(ParentFolderOf("C:\\"), "");
  EXPECT_EQ(ParentFolderOf(""), "");
  EXPECT_EQ(ParentFolderOf("\\"), "");
}

TEST(SiblingProduct, CsLogHeadingsNameTheShortFormsInTableOrder) {
  std::vector<std::string> headings;
  for (SiblingProduct product : kAllProducts) headings.push_back(Describe(product).csLogHeading);
  EXPECT_EQ(headings, (std::vector<std::string>{"--------------------Zorvel CS.log---------------",
                                                "--------------------QRX CS.log---------------",
                                                "--------------------PY CS.log---------------",
                                                "--------------------VY CS.log---------------",
                                                "--------------------MQ CS.log---------------"}));
  EXPECT_STREQ(Describe(SiblingProduct::MultiQrx).registryKey, "Software\\Velmo\\MultiQrx\\AppPath");
}

}  // namespace
}  // namespace tavisto::lookups
