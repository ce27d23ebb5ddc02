#include "zip/wildcard.h"

#include <gtest/gtest.h>

#include "zip/path_rules.h"

namespace tavisto::zip {
namespace {

std::string N(const std::string& path) { return NativeSeparators(path); }

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
  // Accented letters match without case through the ANSI code page.
  EXPECT_TRUE(WildcardMatch("\xC9T\xC9.TXT", "\xE9t\xE9.txt"));
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
