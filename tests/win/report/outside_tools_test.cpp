#include "report/outside_tools.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>

#include "common/errors.h"
#include "os/files.h"
#include "os/process.h"
#include "os/progress.h"
#include "tests/win/report/fixture_path.h"
#include "tests/win/report/working_folder.h"

namespace tavisto::report {
namespace {

using Lines = std::vector<std::string>;

std::string Tool(const char* name) { return std::string("Z:") + TOOLS_DIR + "/" + name; }
using test::Fixture;

bool HasNul(const std::string& line) { return line.find('\0') != std::string::npos; }
bool Contains(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

Problems problems;  // what the sections name as missing, kept by the latest test that asks

Lines Codecs(uint32_t limit = kToolTimeLimitMs) {
  LineList out;
  problems = {};
  WriteCodecSection(out, ToolRun(limit), problems);
  return out.lines;
}

Lines Devices(bool sixtyFourBit) {
  LineList out;
  WriteDeviceSection(out, sixtyFourBit, ToolRun(), problems);
  return out.lines;
}

TEST(OutsideTools, MissingToolsLeaveAnEmptyLineAndANotice) {
  test::WorkingFolder folder;
  EXPECT_EQ(Codecs(), (Lines{"", " \"InstalledCodec\" not present."}));
  EXPECT_EQ(Devices(true), (Lines{"", " \"DevManView\" not present."}));
  EXPECT_EQ(Devices(false), (Lines{"", " \"DevManView\" not present."}));
}

TEST(OutsideTools, CodecListIsCopiedAndItsFileDeleted) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("InstalledCodec.exe"), "InstalledCodec.exe"));
  const Lines lines = Codecs();
  ASSERT_EQ(lines.size(), 24u);  // three records of eight lines
  EXPECT_EQ(lines[0], "==================================================");
  EXPECT_EQ(lines[1], "Filter Name       : ffdshow Video Decoder");
  EXPECT_EQ(lines[7], "");
  EXPECT_TRUE(Contains(lines, "Version           : 8.0.0.4487"));
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

TEST(OutsideTools, SixtyFourBitDeviceToolListsEveryDevice) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("DevManView-64.exe"), "DevManView-64.exe"));
  const Lines lines = Devices(true);
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_TRUE(Contains(lines, "Device Name       : Communications Port (COM1)"));  // not connected
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

// The 32-bit tool writes UTF-16: without their NULs its lines read as plain characters, the
// byte-order mark at the start of the first, and each later line starting with the line
// feed that followed the carriage return's NUL.
TEST(OutsideTools, ThirtyTwoBitDeviceToolShowsConnectedDevicesWithoutNuls) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("DevManView.exe"), "DevManView.exe"));
  const Lines lines = Devices(false);
  // Two connected devices of eight lines (the third is left out by /ShowOnlyConnected 1), and
  // a last line made of what followed the final carriage return: its NUL, LF and NUL.
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines.back(), "\n");
  EXPECT_EQ(lines[0], "\xFF\xFE==================================================");
  EXPECT_EQ(lines[1], "\nDevice Name       : USB Serial Port (COM7)");
  EXPECT_EQ(lines[7], "\n");
  EXPECT_FALSE(Contains(lines, "\nDevice Name       : Communications Port (COM1)"));
  EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), HasNul));
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

TEST(OutsideTools, OnlyTheThirtyTwoBitToolOnASixtyFourBitSystemCountsAsMissing) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("DevManView.exe"), "DevManView.exe"));
  EXPECT_EQ(Devices(true), (Lines{"", " \"DevManView\" not present."}));
}

TEST(OutsideTools, CodecLinesKeepTheirNuls) {
  test::WorkingFolder folder;
  // The UTF-16 writer under the codec tool's name (it takes the same /stext argument).
  ASSERT_TRUE(folder.Install(Tool("DevManView.exe"), "InstalledCodec.exe"));
  const Lines lines = Codecs();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(HasNul(lines[0]));
  EXPECT_EQ(lines[0].substr(0, 4), std::string("\xFF\xFE=\0", 4));
}

TEST(OutsideTools, AToolThatNeverEndsIsStoppedAndReported) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("tool_hanging.exe"), "InstalledCodec.exe"));
  const auto start = std::chrono::steady_clock::now();
  const Lines lines = Codecs(2000);
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(lines, (Lines{"", " \"InstalledCodec\" did not finish within 2 seconds and was stopped."}));
  EXPECT_LT(seconds.count(), 15);
  // The half-written list it left is gone, so no later section reads it as a list.
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

// Says what the time line shows and asks for a stop at the fifth question.
class StopAtFifth final : public os::ProgressSink {
 public:
  void BeginStage(const std::string&) override {}
  void Describe(const std::string&) override {}
  void Advance(double, const std::string&) override {}
  bool StopRequested() override { return ++asked >= 5; }
  void Waiting(const std::string& what) override { timeLines.push_back(what); }
  int asked = 0;
  Lines timeLines;
};

TEST(OutsideTools, WhileAToolRunsTheTimeLineNamesItAndAStopEndsItAndDropsItsList) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("tool_hanging.exe"), "InstalledCodec.exe"));
  StopAtFifth progress;
  LineList out;
  EXPECT_THROW(WriteCodecSection(out, ToolRun(), problems, &progress), os::Cancelled);
  EXPECT_EQ(progress.asked, 5);
  EXPECT_EQ(progress.timeLines, (Lines{"Waiting for InstalledCodec.exe (at most 60 seconds)", ""}));
  EXPECT_EQ(out.lines, Lines{});
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

// A tool that fails says so in its section and among the report's problems, whatever it left.
TEST(OutsideTools, AToolThatFailsIsNamedWithWhatWentWrong) {
  const std::pair<std::string, Lines> cases[] = {
      {Tool("tool_exits_5.exe"), {"", "InstalledCodec.exe ended with exit code 5 and wrote no list"}},
      {Fixture("stub_no_version.exe"), {"", "InstalledCodec.exe ended without writing a list"}},
      {Tool("tool_exits_1_midway.exe"),
       {std::string(50, '='), "Filter Name       : half",
        "InstalledCodec.exe ended with exit code 1: its list may be incomplete"}},
  };
  for (const auto& [tool, lines] : cases) {
    test::WorkingFolder folder;
    ASSERT_TRUE(folder.Install(tool, "InstalledCodec.exe"));
    EXPECT_EQ(Codecs(), lines) << tool;
    EXPECT_EQ(problems.Lines(), Lines{lines.back()});
  }
  test::WorkingFolder folder;
  test::WriteFile(folder.Path("InstalledCodec.exe"), "not a program");
  const Lines lines = Codecs();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].rfind("InstalledCodec.exe could not be started: ", 0), 0u) << lines[1];
  EXPECT_TRUE(lines[1].ends_with("(error 193)")) << lines[1];
}

// A folder a tool made of its list's name is cleared when the session proves it ours, so that
// the next tool writes its list there.
TEST(OutsideTools, AFolderLeftForAListIsNamedAndClearedWhenOurs) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("tool_makes_a_folder.exe"), "InstalledCodec.exe"));
  ASSERT_TRUE(folder.Install(Tool("DevManView-64.exe"), "DevManView-64.exe"));
  test::TempDir lists;
  ToolRun run(kToolTimeLimitMs, lists.Root());
  run.clearOurs = [](const std::string& path) {
    test::RemoveTree(path);
    return !os::DirectoryExists(path);
  };
  LineList out;
  WriteCodecSection(out, run, problems);
  WriteDeviceSection(out, true, run, problems);
  ASSERT_EQ(out.lines.size(), 26u);
  EXPECT_EQ(Lines(out.lines.begin(), out.lines.begin() + 3),
            (Lines{"", "InstalledCodec.exe left tmp.txt as a folder, not a list", std::string(50, '=')}));
}

// The tools write their list in the folder given; a file of the list's name that is there
// before a tool starts would pass for its list, and it is not ours: it is neither read nor
// deleted, and the section says so.
TEST(OutsideTools, OnlyAListTheToolWroteIsReadOrDeleted) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("InstalledCodec.exe"), "InstalledCodec.exe"));
  test::WriteFile(folder.Path("tmp.txt"), "the customer's own\r\n");
  test::TempDir lists;
  LineList out;
  WriteCodecSection(out, ToolRun(kToolTimeLimitMs, lists.Root()), problems);
  EXPECT_EQ(out.lines.size(), 24u);
  EXPECT_FALSE(os::FileExists(lists.Path("tmp.txt")));

  EXPECT_EQ(Codecs(), (Lines{"", " \"InstalledCodec\" was not run: " + folder.Path("tmp.txt") +
                                     " is there already (a file of 20 bytes), and it is not the program's to "
                                     "delete."}));
  EXPECT_EQ(test::ReadFile(folder.Path("tmp.txt")), "the customer's own\r\n");
}

// By bare name the system would start a file of that name from the program's own folder
// before the one that was checked in the working folder.
TEST(OutsideTools, TheToolStartedIsTheFileThatWasFound) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string decoy = self;
  decoy = decoy.substr(0, decoy.find_last_of('\\') + 1) + "InstalledCodec.exe";
  ASSERT_TRUE(CopyFileA(Tool("DevManView.exe").c_str(), decoy.c_str(), FALSE));  // writes UTF-16
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("InstalledCodec.exe"), "InstalledCodec.exe"));
  const Lines lines = Codecs();
  DeleteFileA(decoy.c_str());
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[1], "Filter Name       : ffdshow Video Decoder");
}

bool HelperIsGone(const test::WorkingFolder& folder) {
  const std::string pid = test::ReadFile(folder.Path("helper.pid"));
  if (pid.empty()) return false;  // the tool never got its helper going
  HANDLE helper = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(pid)));
  if (!helper) return true;
  const bool gone = WaitForSingleObject(helper, 0) == WAIT_OBJECT_0;
  CloseHandle(helper);
  return gone;
}

// A helper the tool left running, still holding "tmp.txt", ends with the tool's section: the
// next tool writes and is read from a list of its own.
TEST(OutsideTools, NothingTheToolStartedOutlivesItsSection) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("tool_leaves_helper.exe"), "InstalledCodec.exe"));
  ASSERT_TRUE(folder.Install(Tool("DevManView-64.exe"), "DevManView-64.exe"));
  EXPECT_EQ(Codecs(), (Lines{"==================================================", "Filter Name       : misbehaving",
                             "==================================================", ""}));
  EXPECT_TRUE(HelperIsGone(folder));
  const Lines devices = Devices(true);
  ASSERT_EQ(devices.size(), 24u);
  EXPECT_EQ(devices[1], "Device Name       : USB Serial Port (COM7)");
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

// Wine's crash handler (like a just-in-time debugger on Windows) keeps a crashed tool alive:
// it is reported as crashed, not as one that ran past the two-minute limit given here.
TEST(OutsideTools, ACrashedToolIsReportedAndItsHalfListLeftOut) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("tool_crashes.exe"), "InstalledCodec.exe"));
  const Lines lines = Codecs(120000);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].rfind(" \"InstalledCodec\" crashed", 0), 0u) << lines[1];
  EXPECT_TRUE(lines[1].ends_with("; its list is left out.")) << lines[1];
  EXPECT_TRUE(HelperIsGone(folder));
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

TEST(Run, GivesTheExitCodeOrSaysItCouldNotStart) {
  // No program named: the system searches for the command line's first word.
  const auto run = [](const std::string& commandLine) { return os::Run({"", commandLine, 0, os::kWaitForever, {}, {}}); };
  const os::RunResult exited = run("cmd.exe /c exit 7");
  EXPECT_EQ(exited.outcome, os::RunOutcome::Ended);
  EXPECT_EQ(exited.exitCode, 7u);
  EXPECT_EQ(run("tavisto-no-such-program.exe").outcome, os::RunOutcome::NotStarted);
  // Longer than the 259 characters the system is handed: refused rather than cut.
  EXPECT_EQ(run("cmd.exe /c rem " + std::string(250, 'x')).outcome, os::RunOutcome::NotStarted);
}

// The tests run on 64-bit Windows (Wine's win64 prefix): the 32-bit build is a WOW64 process
// there, and both builds take the 64-bit device tool.
TEST(DeviceToolChoice, OnSixtyFourBitWindowsBothBuildsTakeTheSixtyFourBitTool) {
  EXPECT_EQ(os::IsRunningOnWow64(), sizeof(void*) == 4);
  EXPECT_TRUE(DeviceToolIsSixtyFourBit());
}

}  // namespace
}  // namespace tavisto::report
