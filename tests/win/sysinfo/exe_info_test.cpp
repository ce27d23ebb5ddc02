#include "sysinfo/exe_info.h"

#include <gtest/gtest.h>

namespace tavisto::sysinfo {
namespace {

std::string Fixture(const char* name) { return std::string("Z:") + FIXTURE_DIR + "/" + name; }

std::vector<std::string> AllTen(const TExeInfo& info) {
  return {info.CompanyName(),    info.FileDescription(),  info.FileVersion(), info.InternalName(),
          info.LegalCopyright(), info.LegalTradeMark(),   info.OriginalFileName(), info.ProductName(),
          info.ProductVersion(), info.Comments()};
}

TEST(TExeInfo, WithoutVersionResourceEveryFieldSaysSo) {
  const TExeInfo info(Fixture("stub_no_version.exe"));
  for (const std::string& field : AllTen(info)) EXPECT_EQ(field, "Updated at run-time");
}

TEST(TExeInfo, WithoutTranslationTableConstructionStillSucceeds) {
  const TExeInfo info(Fixture("stub_no_translation.exe"));
  for (const std::string& field : AllTen(info)) EXPECT_EQ(field, "Updated at run-time");
}

TEST(TExeInfo, ReadsTheStringTableTheFirstTranslationNames) {
  const TExeInfo info(Fixture("stub_version_040904b0.exe"));
  EXPECT_EQ(info.FileVersion(), "2.8.14.0");
  EXPECT_EQ(info.CompanyName(), "Velmo");
  EXPECT_EQ(info.Comments(), "for tests");
  EXPECT_EQ(info.LegalTradeMark(), "");  // a key that is not there reads as empty
}

TEST(TExeInfo, AStringTableUnderAnotherNameGivesEmptyStrings) {
  const TExeInfo info(Fixture("stub_table_mismatch.exe"));
  EXPECT_EQ(info.FileVersion(), "");
}

TEST(TExeInfo, SystemFolders) {
  const TExeInfo info(Fixture("stub_no_version.exe"));
  EXPECT_EQ(info.SystemDir().back(), '\\');
  EXPECT_EQ(info.WindowsDir().back(), '\\');
  EXPECT_EQ(info.Version(), "1.1.0.0");
  EXPECT_FALSE(info.TempDir().empty());
}

}  // namespace
}  // namespace tavisto::sysinfo
