#include "lookups/file_version.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace tavisto::lookups {
namespace {

std::string Fixture(const char* name) { return std::string("Z:") + FIXTURE_DIR + "/" + name; }

FileVersionStrings Read(const std::string& path) {
  FileVersionStrings strings;
  ReadFileVersionStrings(path, strings);
  return strings;
}

FileVersionStrings Filled() {
  FileVersionStrings s;
  for (std::string* field : {&s.CompanyName, &s.FileDescription, &s.FileVersion, &s.InternalName, &s.LegalCopyright,
                             &s.LegalTrademarks, &s.OriginalFilename, &s.ProductName, &s.ProductVersion,
                             &s.Comments, &s.PrivateBuild, &s.SpecialBuild})
    *field = "given";
  return s;
}

TEST(ReadFileVersionStrings, FillsAllTwelveFieldsFromTheFirstTranslation) {
  const FileVersionStrings s = Read(Fixture("stub_all_keys_041004e4.exe"));
  EXPECT_EQ(s.CompanyName, "Velmo S.r.l.");
  EXPECT_EQ(s.FileDescription, "Driver di prova");
  EXPECT_EQ(s.FileVersion, "6.1.7600.16385 (win7_rtm.090713-1255)");
  EXPECT_EQ(s.InternalName, "allkeys");
  EXPECT_EQ(s.LegalCopyright, "(c) Velmo");
  EXPECT_EQ(s.LegalTrademarks, "Velmo(tm)");
  EXPECT_EQ(s.OriginalFilename, "allkeys.exe");
  EXPECT_EQ(s.ProductName, "Tutte le chiavi");
  EXPECT_EQ(s.ProductVersion, "6.1");
  EXPECT_EQ(s.PrivateBuild, "private 7");
  EXPECT_EQ(s.SpecialBuild, "special 9");
  EXPECT_EQ(s.Comments, "");  // present with an empty string
}

TEST(ReadFileVersionStrings, LooksInTheTableTheTranslationNames) {
  FileVersionStrings s = Filled();
  ReadFileVersionStrings(Fixture("stub_version_040904b0.exe"), s);
  EXPECT_EQ(s.FileVersion, "2.8.14.0");
  EXPECT_EQ(s.CompanyName, "Velmo");
  EXPECT_EQ(s.LegalTrademarks, "");  // not in the resource: cleared, not left as given
  EXPECT_EQ(s.SpecialBuild, "");
}

TEST(ReadFileVersionStrings, ATableUnderAnotherNameGivesEmptyFields) {
  FileVersionStrings s = Filled();
  ReadFileVersionStrings(Fixture("stub_table_mismatch.exe"), s);  // 040904B0 named, 040904E4 present
  EXPECT_EQ(s.FileVersion, "");
  EXPECT_EQ(s.CompanyName, "");
}

TEST(ReadFileVersionStrings, WithoutATranslationTableTheFirstStringTableIsRead) {
  EXPECT_EQ(Read(Fixture("stub_no_translation.exe")).FileVersion, "3.2.1.0");
}

TEST(ReadFileVersionStrings, WithoutAResourceTheRecordIsLeftAsGiven) {
  FileVersionStrings s = Filled();
  ReadFileVersionStrings(Fixture("stub_no_version.exe"), s);
  EXPECT_EQ(s.FileVersion, "given");
  EXPECT_EQ(s.SpecialBuild, "given");
}

TEST(FileVersionIfExists, TellsAMissingFileFromAFileWithoutVersion) {
  test::TempDir dir;
  EXPECT_EQ(FileVersionIfExists(Fixture("stub_version_040904b0.exe")), "2.8.14.0");
  EXPECT_EQ(FileVersionIfExists(Fixture("stub_no_version.exe")), "");
  EXPECT_EQ(FileVersionIfExists(dir.Path("absent.exe")), std::nullopt);
  EXPECT_EQ(FileVersionIfExists(dir.Root()), std::nullopt);  // a folder counts as missing
}

}  // namespace
}  // namespace tavisto::lookups
