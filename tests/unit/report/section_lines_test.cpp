#include "report/section_lines.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/errors.h"

namespace tavisto::report {
namespace {

TEST(SectionLines, IdentityBlockHasItsLabelsAndTabs) {
  LineList out;
  WriteIdentityBlock({"1.6.4.0", "PC", "u", "Owner", "Org", "Windows NT", "5.1 (2600.)", "0 Kb", " Kb"}, out);
  EXPECT_EQ(out.lines, (std::vector<std::string>{
                           "Tavisto: \t\t1.6.4.0", "Computer name: \t\tPC", "User: \t\t\tu",
                           "Owner & Company: \t\tOwner, Org", "OS Version: \t\tWindows NT ver. 5.1 (2600.)",
                           "Total phisical memory: \t0 Kb", "Avalilable physical memory: \t Kb"}));
  LineList empty;
  WriteIdentityBlock({}, empty);
  EXPECT_EQ(empty.lines[3], "Owner & Company: \t\t, ");
  EXPECT_EQ(empty.lines[4], "OS Version: \t\t ver. ");
}

TEST(SectionLines, ZorvelFoldersLoseTheirLastFiveCharacters) {
  EXPECT_EQ(ShortenedFolder("C:\\Apps\\Zorvel\\Bin\\"), "C:\\Apps\\Zorvel");
  EXPECT_EQ(ShortenedFolder("C:\\Apps\\Zorvel\\"), "C:\\Apps\\Zo");  // used as it stands, even so
  EXPECT_EQ(ShortenedFolder("123456"), "1");
  EXPECT_EQ(ShortenedFolder("12345"), "");
  EXPECT_EQ(ShortenedFolder(""), "");
}

TEST(SectionLines, ToolNotices) {
  EXPECT_EQ(MissingToolNotice("InstalledCodec"), " \"InstalledCodec\" not present.");
  EXPECT_EQ(MissingToolNotice("DevManView"), " \"DevManView\" not present.");
  EXPECT_EQ(StoppedToolNotice("DevManView", 60000), " \"DevManView\" did not finish within 60 seconds and was stopped.");
  EXPECT_EQ(StoppedToolNotice("DevManView", 1000), " \"DevManView\" did not finish within 1 second and was stopped.");
  EXPECT_EQ(WithoutNuls(std::string("\xFF\xFEh\0i\0\n\0", 8)), "\xFF\xFEhi\n");
  EXPECT_EQ(WaitingForToolText("DevManView.exe", 60000), "Waiting for DevManView.exe (at most 60 seconds)");
  EXPECT_EQ(WaitingForToolText("InstalledCodec.exe", 500), "Waiting for InstalledCodec.exe (at most 1 second)");
}

TEST(SectionLines, AFailedStepIsNamedWithItsCauseInPlainWords) {
  const std::bad_alloc noMemory;
  const std::length_error tooLong("basic_string::_M_create");
  const RegistryError wrongType = RegistryError::InvalidType("AppPath");
  const Error ownFullStop("Erreur E/S 5.");  // not doubled
  const std::out_of_range unforeseen("vector::_M_range_check");
  const std::pair<const std::exception*, std::string> cases[] = {
      {&noMemory, "there is not enough memory for it"},
      {&tooLong, "there is not enough memory for it"},
      {&wrongType, "Type de donn\xC3\xA9" "es incorrect pour 'AppPath'"},
      {&ownFullStop, "Erreur E/S 5"},
      {&unforeseen, "an unexpected error occurred"},
  };
  for (const auto& [cause, words] : cases)
    EXPECT_EQ(IncompleteReportText("CS.LOG FILES", PlainCause(*cause)),
              "The analysis stopped at the section \"CS.LOG FILES\": " + words + ". The report is incomplete.");
}

}  // namespace
}  // namespace tavisto::report
