#include "sysinfo/identity_format.h"

#include <gtest/gtest.h>

namespace tavisto::sysinfo {
namespace {

TEST(FormatKb, WholeKibInPlainDigits) {
  EXPECT_EQ(FormatKb(0), " Kb");  // no digits at all for zero
  EXPECT_EQ(FormatKb(1023), " Kb");
  EXPECT_EQ(FormatKb(1024), "1 Kb");
  EXPECT_EQ(FormatKb(2147483648ULL), "2097152 Kb");
  // Beyond what a 32-bit memory status could count: today's machines.
  EXPECT_EQ(FormatKb(17179869184ULL + 1536), "16777217 Kb");
}

TEST(FormatOsVersion, MajorMinorBuildAndServicePack) {
  EXPECT_EQ(FormatOsVersion(5, 1, 2600, "Service Pack 3"), "5.1 (2600.Service Pack 3)");
  EXPECT_EQ(FormatOsVersion(5, 1, 2600, ""), "5.1 (2600.)");
  // Windows 9x put major and minor into the build's high word.
  EXPECT_EQ(FormatOsVersion(4, 10, 0x040A08AE, " A"), "4.10 (2222. A)");
}

TEST(PlatformName, KnownIdentifiersAndEmptyOtherwise) {
  EXPECT_EQ(PlatformName(0), "Windows 3.1");
  EXPECT_EQ(PlatformName(1), "Windows 95");
  EXPECT_EQ(PlatformName(2), "Windows NT");
  EXPECT_EQ(PlatformName(3), "");
  EXPECT_EQ(OwnerKeyPath(2), "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_EQ(OwnerKeyPath(1), "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
  EXPECT_EQ(OwnerKeyPath(0), "");
}

TEST(OsNameFor, NamesTheOldSystemsOnly) {
  EXPECT_EQ(OsNameFor(1, 4, 0, ""), "Windows 95");
  EXPECT_EQ(OsNameFor(1, 4, 10, " A "), "Windows 98 SE");
  EXPECT_EQ(OsNameFor(1, 4, 10, "A"), "Windows 98");  // the letter must be the second character
  EXPECT_EQ(OsNameFor(1, 4, 90, ""), "Windows ME");
  EXPECT_EQ(OsNameFor(2, 4, 0, ""), "Windows NT");
  EXPECT_EQ(OsNameFor(2, 5, 0, ""), "Windows 2000");
  EXPECT_EQ(OsNameFor(2, 5, 1, "Service Pack 3"), "Windows XP");
  EXPECT_EQ(OsNameFor(2, 6, 1, ""), "Unknown");
  EXPECT_EQ(OsNameFor(2, 10, 0, ""), "Unknown");
}

TEST(LanguageCode, OnlyTwoLetterLanguageAndCountry) {
  EXPECT_EQ(LanguageCode("it", 3, "IT", 3), "it_IT");
  EXPECT_EQ(LanguageCode("haw", 4, "US", 3), "");  // three-letter language
  EXPECT_EQ(LanguageCode("en", 3, "", 0), "");     // failed country call
}

TEST(StringTableName, LanguageThenCodePageInUpperHex) {
  EXPECT_EQ(StringTableName(0x04E40410), "041004E4");
  EXPECT_EQ(StringTableName(0x04B00409), "040904B0");
}

}  // namespace
}  // namespace tavisto::sysinfo
