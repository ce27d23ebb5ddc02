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
  // /open's two paths, and a lone file opened beside itself.
  std::optional<std::string> openDataZip{};
  std::optional<std::string> openFolder{};
  std::string lone{};
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
    {"a second FILE", {"/data", "d.zip", "e.zip"}, RunMode::Refused, nullopt, nullopt,
     "\"e.zip\" is not a switch: a file name goes after /report, /data or /open."},
    {"a FILE before the switches", {"stray", "/report", "r.txt"}, RunMode::Refused, nullopt, nullopt,
     "\"stray\" is not a switch: a file name goes after /report, /data or /open."},
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
    {"/open, any case, a dash, paths with spaces", {"-OPEN", "C:\\My Cases\\Data.zip", "C:\\My Cases\\out"},
     RunMode::Open, nullopt, nullopt, "", "C:\\My Cases\\Data.zip", "C:\\My Cases\\out"},
    {"/open without its folder", {"/open", "D.zip"}, RunMode::Refused, nullopt, nullopt,
     "\"/open\" needs the Data.zip to open and the folder to open it into after it."},
    {"/report after /open", {"/open", "a.zip", "a", "/report", "r.txt"}, RunMode::Refused, nullopt, nullopt,
     "/open runs on its own: it opens a Data.zip a customer sent, while /data and /report gather this machine's."},
    // Lone arguments alone are Explorer's: a file to open beside itself, or a box that says why not.
    {"a lone file", {"C:\\Cases\\4711\\Data.zip"}, RunMode::OpenBeside, nullopt, nullopt, "", nullopt, nullopt,
     "C:\\Cases\\4711\\Data.zip"},
    {"two lone files", {"a.zip", "C:\\b.zip"}, RunMode::BesideRefused, nullopt, nullopt,
     "Tavisto opens one Data.zip at a time, and was given 2 files:\r\na.zip\r\nC:\\b.zip\r\n"
     "Drop one Data.zip on Tavisto, or open one with it."},
    {"an empty lone argument", {""}, RunMode::BesideRefused, nullopt, nullopt,
     "Tavisto was given an empty name to open: drop a Data.zip on it, or open one with it."},
};

TEST(CommandLine, ParsesEveryCaseAsTheTableSays) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const CommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.mode, c.mode);
    EXPECT_EQ(parsed.reportFile, c.report);
    EXPECT_EQ(parsed.dataFile, c.data);
    EXPECT_EQ(parsed.refusal, c.refusal);
    EXPECT_EQ(parsed.openDataZip, c.openDataZip);
    EXPECT_EQ(parsed.openFolder, c.openFolder);
    EXPECT_EQ(parsed.loneFile, c.lone);
  }
}

TEST(CommandLine, UsageNamesTheSwitchesAndEveryExitCodeAndFitsAConsole) {
  const std::vector<std::string> usage = UsageLines();
  const auto has = [&usage](const std::string& start) {
    return std::any_of(usage.begin(), usage.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  };
  EXPECT_TRUE(has("  /data FILE"));
  EXPECT_TRUE(has("  /report FILE"));
  EXPECT_TRUE(has("  /open DATAZIP FOLDER"));
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
