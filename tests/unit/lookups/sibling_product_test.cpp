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

}  // namespace
}  // namespace tavisto::lookups
