// The report on this test prefix: Zorvel's sections and the CS.log sections from the data
// folders the window recorded, a report ended by a registry error, and one stopped in the middle
// of a long log. (The exact report on a bare and on a sample machine is checked end to end
// through the window.)
#include "report/report_builder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "common/errors.h"
#include "tests/support/win/registry_fixture.h"
#include "tests/win/report/fixture_path.h"
#include "tests/win/report/working_folder.h"

namespace tavisto::report {
namespace {

using Lines = std::vector<std::string>;

using test::Fixture;

ReportInputs SampleInputs() {
  ReportInputs inputs;
  inputs.identity = {"1.6.4.0", "SUPPORTPC", "anna", "Anna Rossi", "Velmo", "Windows NT", "6.1 (7601.Service Pack 1)",
                     "2097152 Kb", "1048576 Kb"};
  inputs.language = "it_IT";
  return inputs;
}

class ReportBuilder : public ::testing::Test {
 protected:
  void SetUp() override {
    // This prefix is the tests' own: the maker's and ffdshow's keys hold only what a test writes.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Velmo");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\GNU");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\GNU");
  }
  Lines Build(const ReportInputs& inputs) {
    LineList out;
    scanFolders = BuildAnalysisReport(inputs, out, progress).scanFolders;
    return out.lines;
  }
  test::RegistryFixture reg;
  test::WorkingFolder folder;  // no tools in it
  std::vector<std::string> scanFolders;
  os::NoProgress progress;
};

TEST_F(ReportBuilder, ZorvelsFoldersFeedThePluginAndFileSectionsAndLogsTheirOwn) {
  // Each value loses its last five characters: "\Bin\" and "\Cfg\" here.
  const std::string program = folder.Path("Suite\\Zorvel");
  const std::string data = folder.Path("ZData");
  test::MakeDirectories(program + "\\Bin");
  test::MakeDirectories(data + "\\Logs");
  ASSERT_TRUE(CopyFileA(Fixture("stub_version_040904b0.exe").c_str(), (program + "\\Bin\\Zorvel.exe").c_str(), FALSE));
  test::WriteFile(program + "\\README", "no extension");
  test::WriteFile(program + "\\Zorvel.ini", "[x]");
  test::WriteFile(data + "\\Logs\\today.txt", "log");
  test::WriteFile(data + "\\CS.log", "first\r\nsecond\r\n");
  const char* key = "Software\\Velmo\\Zorvel\\AppPath";
  reg.SetString(HKEY_CURRENT_USER, key, "AppPath", program + "\\Bin\\");
  reg.SetString(HKEY_CURRENT_USER, key, "AppDataPath", data + "\\Cfg\\");
  reg.SetString(HKEY_CURRENT_USER, key, "AppCommonDataPath", "short");  // five characters: nothing left
  const std::string pylvexData = folder.Path("PData");
  test::MakeDirectories(pylvexData);
  test::WriteFile(pylvexData + "\\CS.log", "py log\r\n");

  ReportInputs inputs = SampleInputs();
  inputs.dataPaths = {data, "", pylvexData, "", ""};
  const Lines report = Build(inputs);

  EXPECT_EQ(scanFolders, (std::vector<std::string>{program, data, ""}));
  const auto at = [&](const std::string& line) { return std::find(report.begin(), report.end(), line); };
  const auto plugins = at("----------------PLUGINS VERSION--------------");
  ASSERT_NE(plugins, report.end());
  EXPECT_EQ(Lines(plugins + 1, plugins + 4), (Lines{program + "\\Bin\\Zorvel.exe: 2.8.14.0",
                                                     program + "\\README: ", ""}))
      << "only .exe files (and names without an extension) are versioned; the file list takes them all";
  const auto zorvelLog = at("--------------------Zorvel CS.log---------------");
  ASSERT_NE(zorvelLog, report.end());
  EXPECT_EQ(Lines(zorvelLog + 1, zorvelLog + 5), (Lines{"first", "second", "", "--------------------QRX CS.log---------------"}));
  const auto pyLog = at("--------------------PY CS.log---------------");
  ASSERT_NE(pyLog, report.end());
  EXPECT_EQ(*(pyLog + 1), "py log");
  const auto files = at("-----------------FILES LIST-------------------------------");
  ASSERT_NE(files, report.end());
  EXPECT_EQ(Lines(files + 2, files + 8),
            (Lines{program + "\\Bin\\Zorvel.exe", program + "\\README", program + "\\Zorvel.ini", data + "\\CS.log",
                   data + "\\Logs\\today.txt", "---------------INTERNATIONAL SETTINGS---------------------"}));
}

// A folder value that is not text costs its product's lines, not the report: the plug-in section
// and the product's CS.log section name the product, the value and its key.
TEST_F(ReportBuilder, AFolderValueOfTheWrongTypeIsNamedAndTheReportGoesOn) {
  reg.SetDword(HKEY_CURRENT_USER, "Software\\Velmo\\Zorvel\\AppPath", "AppPath", 42);
  const std::string named =
      "Zorvel: AppPath in HKEY_CURRENT_USER\\Software\\Velmo\\Zorvel\\AppPath is a REG_DWORD, not a folder";
  LineList out;
  const ReportResult found = BuildAnalysisReport(SampleInputs(), out, progress);
  EXPECT_EQ(found.problems, Lines{named});
  EXPECT_EQ(Lines(out.lines.begin() + 7, out.lines.begin() + 13),
            (Lines{"", "----------------PLUGINS VERSION--------------", named, "",
                   "--------------------Zorvel CS.log---------------", named}));
  EXPECT_EQ(out.lines.back(), " \"DevManView\" not present.");
}

// Asks for a stop once the bar is past a fifth of the work.
class StopPastAFifth final : public os::ProgressSink {
 public:
  void BeginStage(const std::string&) override {}
  void Describe(const std::string&) override {}
  void Advance(double fraction, const std::string&) override { bar = fraction; }
  bool StopRequested() override { return bar >= 0.2; }
  double bar = 0;
};

TEST_F(ReportBuilder, ALongLogFillsMostOfTheBarAndAStopEndsItMidway) {
  const std::string data = folder.Path("QData");
  test::MakeDirectories(data);
  std::string log;
  while (log.size() < 4 * 1024 * 1024) log += "2024-05-01 12:00:00 [INFO] COM7 answered, session " + std::to_string(log.size()) + "\r\n";
  test::WriteFile(data + "\\CS.log", log);
  ReportInputs inputs = SampleInputs();
  inputs.dataPaths = {"", data, "", "", ""};
  StopPastAFifth watcher;
  LineList out;
  EXPECT_THROW((void)BuildAnalysisReport(inputs, out, watcher), os::Cancelled);
  // Four megabytes weigh as four sections and more: a third of the log takes the bar past a
  // fifth, and the stop is seen within a few hundred lines of it, long before the log's end.
  const size_t copied = out.lines.size() - 13;  // the identity block and the headings before the log
  EXPECT_GT(copied, 10000u);
  EXPECT_LT(copied, 40000u);  // of some 70000
}

}  // namespace
}  // namespace tavisto::report
