#include "report/section_lines.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "os/errors.h"

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
  const auto line = [](const std::exception& cause) { return IncompleteReportText("CS.LOG FILES", PlainCause(cause)); };
  EXPECT_EQ(line(std::bad_alloc()),
            "The analysis stopped at the section \"CS.LOG FILES\": there is not enough memory for it. "
            "The report is incomplete.");
  EXPECT_EQ(line(std::length_error("basic_string::_M_create")),
            "The analysis stopped at the section \"CS.LOG FILES\": there is not enough memory for it. "
            "The report is incomplete.");
  // The program's own errors say it themselves, a full stop of their own not doubled.
  EXPECT_EQ(line(RegistryError::InvalidType("AppPath")),
            "The analysis stopped at the section \"CS.LOG FILES\": Type de donn\xC3\xA9" "es incorrect pour "
            "'AppPath'. The report is incomplete.");
  EXPECT_EQ(line(Error("Erreur E/S 5.")),
            "The analysis stopped at the section \"CS.LOG FILES\": Erreur E/S 5. The report is incomplete.");
  EXPECT_EQ(line(std::out_of_range("vector::_M_range_check")),
            "The analysis stopped at the section \"CS.LOG FILES\": an unexpected error occurred. The report is "
            "incomplete.");
}

}  // namespace
}  // namespace tavisto::report
