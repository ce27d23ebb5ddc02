#include "app/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavisto::app {
namespace {

using Args = std::vector<std::string>;
using std::nullopt;

struct Case {
  const char* what;
  Args arguments;
  RunMode mode;
  std::optional<std::string> report;
  std::optional<std::string> data;
  std::string refusal;
};

const Case kCases[] = {
    {"nothing opens the window", {}, RunMode::Window, nullopt, nullopt, ""},
    {"a report", {"/report", "r.txt"}, RunMode::Unattended, "r.txt", nullopt, ""},
    {"data, any case, with a dash", {"-DATA", "d.zip"}, RunMode::Unattended, nullopt, "d.zip", ""},
    {"both, in either order", {"/Report", "r.txt", "/data", "d.zip"}, RunMode::Unattended, "r.txt", "d.zip", ""},
    {"a FILE is taken as given", {"/report", "C:\\My Files\\caf\xC3\xA9 r\xC3\xA9sum\xC3\xA9.txt"},
     RunMode::Unattended, "C:\\My Files\\caf\xC3\xA9 r\xC3\xA9sum\xC3\xA9.txt", nullopt, ""},
    {"/?", {"/?"}, RunMode::Usage, nullopt, nullopt, ""},
    {"-?", {"-?"}, RunMode::Usage, nullopt, nullopt, ""},
    {"/help in any case", {"/HELP"}, RunMode::Usage, nullopt, nullopt, ""},
    {"help wins over the rest", {"/report", "/?", "/bogus"}, RunMode::Usage, nullopt, nullopt, ""},
    {"a FILE where a switch belongs", {"r.txt"}, RunMode::Refused, nullopt, nullopt,
     "\"r.txt\" is not a switch: a file name goes after /report or /data."},
    {"an empty argument", {""}, RunMode::Refused, nullopt, nullopt,
     "\"\" is not a switch: a file name goes after /report or /data."},
    {"a second FILE", {"/data", "d.zip", "e.zip"}, RunMode::Refused, nullopt, nullopt,
     "\"e.zip\" is not a switch: a file name goes after /report or /data."},
    {"a switch at the end", {"/data", "d.zip", "/report"}, RunMode::Refused, nullopt, nullopt,
     "\"/report\" needs the name of the file to write after it."},
    {"a switch where its FILE belongs", {"-report", "-data", "d.zip"}, RunMode::Refused, nullopt, nullopt,
     "\"-report\" needs the name of the file to write after it."},
    {"an empty FILE", {"/report", ""}, RunMode::Refused, nullopt, nullopt,
     "The file name after \"/report\" is empty."},
    {"a FILE of blanks", {"/data", "  "}, RunMode::Refused, nullopt, nullopt,
     "The file name after \"/data\" is empty."},
    {"a switch twice", {"/report", "a.txt", "-REPORT", "b.txt"}, RunMode::Refused, nullopt, nullopt,
     "\"-REPORT\" is given twice."},
    {"an unknown switch", {"/report", "a.txt", "/zip", "d.zip"}, RunMode::Refused, nullopt, nullopt,
     "Unknown switch \"/zip\"."},
    {"two dashes", {"--data", "d.zip"}, RunMode::Refused, nullopt, nullopt, "Unknown switch \"--data\"."},
    {"a bare slash", {"/"}, RunMode::Refused, nullopt, nullopt, "Unknown switch \"/\"."},
    {"a colon form", {"/report:r.txt"}, RunMode::Refused, nullopt, nullopt, "Unknown switch \"/report:r.txt\"."},
    // Whether two names are one file is the system's to say, when the run starts.
    {"one file named twice", {"/report", "Out.txt", "/data", "out.TXT"}, RunMode::Unattended, "Out.txt", "out.TXT",
     ""},
};

TEST(CommandLine, ParsesEveryCaseAsTheTableSays) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const CommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.mode, c.mode);
    EXPECT_EQ(parsed.reportFile, c.report);
    EXPECT_EQ(parsed.dataFile, c.data);
    EXPECT_EQ(parsed.refusal, c.refusal);
  }
}

TEST(CommandLine, UsageNamesTheSwitchesAndEveryExitCodeAndFitsAConsole) {
  const std::vector<std::string> usage = UsageLines();
  const auto has = [&usage](const std::string& start) {
    return std::any_of(usage.begin(), usage.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  };
  EXPECT_TRUE(has("  /data FILE"));
  EXPECT_TRUE(has("  /report FILE"));
  EXPECT_TRUE(has("  /?"));
  for (const int code : {kExitComplete, kExitIncomplete, kExitUsage, kExitFailed})
    EXPECT_TRUE(has("  " + std::to_string(code) + "  ")) << "exit code " << code;
  for (const std::string& line : usage) {
    // A console 80 columns wide shows each line on one line.
    EXPECT_LT(line.size(), 80u) << line;
    EXPECT_EQ(line.find_first_of("\t\r\n"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace tavisto::app
