#include "zip/wildcard.h"

#include <gtest/gtest.h>

#include "tests/unit/zip/zip_test_util.h"
#include "zip/path_rules.h"

namespace tavisto::zip {
namespace {

using testing::N;

TEST(WildcardMatch, StarsQuestionMarksAndCase) {
  EXPECT_TRUE(WildcardMatch("anything", "*.*"));
  EXPECT_TRUE(WildcardMatch("Setup.INI", "*.ini"));
  EXPECT_TRUE(WildcardMatch("x.zip", "*.z*"));
  EXPECT_TRUE(WildcardMatch("X.Z01", "*.z*"));
  EXPECT_FALSE(WildcardMatch("x.txt", "*.z*"));
  EXPECT_TRUE(WildcardMatch("a.c", "?.?"));
  EXPECT_FALSE(WildcardMatch("ab.c", "?.?"));
  EXPECT_TRUE(WildcardMatch("abc", "a*"));
  EXPECT_TRUE(WildcardMatch("ac", "a*c"));
  EXPECT_FALSE(WildcardMatch("abc", "abc*x"));
  EXPECT_FALSE(WildcardMatch("abcd", "abc"));
  EXPECT_TRUE(WildcardMatch("", ""));
  // UTF-8 names: letters match without case, "?" takes one character whatever its bytes, and
  // letters that only look alike do not match.
  EXPECT_TRUE(WildcardMatch("\xC3\x89T\xC3\x89.TXT", "\xC3\xA9t\xC3\xA9.txt"));
  EXPECT_TRUE(WildcardMatch("\xD0\x94\xD0\x90\xD0\x9D\xD0\x9D\xD0\xAB.log", "\xD0\xB4\xD0\xB0*.LOG"));  // ДАННЫ.log
  EXPECT_TRUE(WildcardMatch("\xE6\x95\xB0.txt", "?.txt"));  // 数.txt
  EXPECT_FALSE(WildcardMatch("\xCE\xA9mega.txt", "Omega.txt"));
  EXPECT_FALSE(WildcardMatch("\xC4\x9A.txt", "\xC4\x8A.txt")) << "bytes that fold alike in one code page";
  // "*" runs across separators; a folder without an extension matches "*.*" with a trailing ".".
  EXPECT_TRUE(WildcardMatch(N("C:\\Base\\Sub\\x.zip"), N("C:\\Base\\*.zip")));
  EXPECT_FALSE(WildcardMatch(N("C:\\Base\\Sub"), N("C:\\Base\\*.*")));
  EXPECT_TRUE(WildcardMatch(N("C:\\Base\\Sub."), N("C:\\Base\\*.*")));
}

TEST(NameMatchesMask, AbsoluteMasksMatchInTheirOwnFolder) {
  const MaskFolders folders{N("C:\\Base"), N("C:\\Base")};
  // The archive's own path, as the exclusion list carries it.
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\out.zip"), N("C:\\Base\\out.zip"), false, folders));
  EXPECT_TRUE(NameMatchesMask(N("c:\\base\\OUT.ZIP"), N("C:\\Base\\out.zip"), false, folders));
  EXPECT_FALSE(NameMatchesMask(N("C:\\Base\\Sub\\out.zip"), N("C:\\Base\\out.zip"), false, folders));
  EXPECT_FALSE(NameMatchesMask(N("C:\\Base\\Sub\\"), N("C:\\Base\\out.zip"), true, folders));
  // "folder\*.*" covers everything below it.
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\Tmp\\x\\y.txt"), N("C:\\Base\\Tmp\\*.*"), false, folders));
  EXPECT_FALSE(NameMatchesMask(N("C:\\Base\\Keep\\y.txt"), N("C:\\Base\\Tmp\\*.*"), false, folders));
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\Tmp\\"), N("C:\\Base\\Tmp"), true, folders));
}

TEST(NameMatchesMask, BareMasksMatchTheNameOrTheRelativePath) {
  const MaskFolders folders{N("C:\\Base"), N("C:\\Base")};
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\Sub\\photo.JPG"), "*.jpg", false, folders));
  EXPECT_FALSE(NameMatchesMask(N("C:\\Base\\Sub\\photo.jpeg.txt"), "*.jpg", false, folders));
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\Sub\\a.log"), N("Sub\\*.log"), false, folders));
  EXPECT_FALSE(NameMatchesMask(N("C:\\Base\\Other\\a.log"), N("Sub\\*.log"), false, folders));
  // A folder mask: the folder itself (with its trailing separator).
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\Temp\\"), "Temp", true, folders));
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\a\\Temp\\"), "T*", true, folders));
  EXPECT_TRUE(NameMatchesMask(N("C:\\Base\\Anything"), "*.*", false, folders));
}

}  // namespace
}  // namespace tavisto::zip
