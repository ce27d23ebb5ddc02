#include "zip/directory.h"

#include <gtest/gtest.h>

#include "zip/archive_error.h"

namespace tavisto::zip {
namespace {

TDirItem Named(const std::string& name) {
  TDirItem item;
  item.storedName = name;
  return item;
}

int32_t CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EArchiveError& error) {
    return error.Code();
  }
  return -1;
}

TEST(DirArray, GrowsInDoublingStepsUpToTenThousand) {
  TArcDirArray array;
  std::vector<size_t> capacities;
  for (int i = 0; i < 40000; ++i) {
    const size_t before = array.Capacity();
    array.Append(Named("f" + std::to_string(i)));
    if (array.Capacity() != before) capacities.push_back(array.Capacity());
  }
  // Steps 1000, 2000, 4000, 8000, then 10000 each time.
  EXPECT_EQ(capacities, (std::vector<size_t>{1000, 3000, 7000, 15000, 25000, 35000, 45000}));
  array.Clear();
  EXPECT_EQ(array.Count(), 0);
  EXPECT_EQ(array.Capacity(), 0u);
}

TEST(DirArray, FindsNamesWithoutRegardToCaseAndKeepsIndexesAfterDeletion) {
  TArcDirArray array;
  for (const char* name : {"Sub/", "Sub/X.zip", "a.txt", "\xC3\x89t\xC3\xA9.txt", "\xCE\xA9mega.txt"})
    array.Append(Named(name));
  EXPECT_EQ(array.IndexOf("sub/x.ZIP"), 1);
  EXPECT_EQ(array.IndexOf("A.TXT"), 2);
  EXPECT_EQ(array.IndexOf("\xC3\xA9T\xC3\x89.TXT"), 3);  // "Été.txt" as "éTÉ.TXT"
  EXPECT_EQ(array.IndexOf("\xCF\x89MEGA.TXT"), 4);          // "Ωmega.txt" as "ωMEGA.TXT"
  EXPECT_EQ(array.IndexOf("Omega.txt"), -1) << "a different letter, not its case";
  EXPECT_EQ(array.IndexOf("\xC3\x89te.txt"), -1);
  EXPECT_EQ(array.IndexOf("b.txt"), -1);
  array.Delete(1);
  EXPECT_EQ(array.IndexOf("sub/x.zip"), -1);
  EXPECT_EQ(array.IndexOf("a.txt"), 1);
  array.Item(1).storedName = "renamed.txt";
  array.NameChanged(1);
  EXPECT_EQ(array.IndexOf("a.txt"), -1);
  EXPECT_EQ(array.IndexOf("RENAMED.txt"), 1);
}

TEST(DirArray, IndexErrorsCarryTheirCodes) {
  TArcDirArray array;
  array.Append(Named("a"));
  EXPECT_EQ(CodeOf([&] { array.SetItem(1, Named("b")); }), 1);
  EXPECT_EQ(CodeOf([&] { array.CopyItem(-1, Named("b")); }), 2);
  EXPECT_EQ(CodeOf([&] { (void)array.Item(1); }), 3);
  EXPECT_EQ(CodeOf([&] { array.Delete(5); }), 4);
  // Raised without a component, so the message has no prefix.
  try {
    (void)array.Item(7);
  } catch (const EArchiveError& error) {
    EXPECT_STREQ(error.what(), "Index out of bounds - Native error: 00003");
  }
}

TEST(HashedNames, HashRotatesAndBucketsFollowTheCount) {
  // h = rotl(h, 2) xor byte: "abc" -> ((0x61 <<< 2) ^ 0x62) <<< 2 ^ 0x63.
  EXPECT_EQ(TArcHashedStringList::Hash("abc"), 0x7FBu);
  // Sixteen more rotations by two bits turn a full circle: bits leaving the top come back.
  EXPECT_EQ(TArcHashedStringList::Hash("a" + std::string(16, '\0')), 0x61u);

  TArcHashedStringList names;
  for (int i = 0; i < 3000; ++i) names.Append("n" + std::to_string(i));
  EXPECT_EQ(names.BucketCount(), 0u) << "built on the first lookup only";
  EXPECT_EQ(names.IndexOf("N2999"), 2999);
  EXPECT_EQ(names.BucketCount(), 3000u);
  // Appends keep the index until the count exceeds five times the buckets.
  for (int i = 3000; i < 15000; ++i) names.Append("n" + std::to_string(i));
  EXPECT_EQ(names.BucketCount(), 3000u);
  EXPECT_EQ(names.IndexOf("n14999"), 14999);
  names.Append("n15000");
  EXPECT_EQ(names.BucketCount(), 0u);
  EXPECT_EQ(names.IndexOf("n15000"), 15000);
  EXPECT_EQ(names.BucketCount(), 15001u);
  names.Delete(0);
  EXPECT_EQ(names.BucketCount(), 0u) << "removing invalidates the index";
  EXPECT_EQ(names.IndexOf("n1"), 0);
  TArcHashedStringList few;
  few.Append("x");
  EXPECT_EQ(few.IndexOf("X"), 0);
  EXPECT_EQ(few.BucketCount(), 1000u);
}

}  // namespace
}  // namespace tavisto::zip
