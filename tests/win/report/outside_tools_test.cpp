#include "report/outside_tools.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>

#include "os/errors.h"
#include "os/files.h"
#include "os/process.h"
#include "os/progress.h"
#include "tests/win/report/working_folder.h"

namespace tavisto::report {
namespace {

using Lines = std::vector<std::string>;

std::string Tool(const char* name) { return std::string("Z:") + TOOLS_DIR + "/" + name; }
std::string Fixture(const char* name) { return std::string("Z:") + FIXTURE_DIR + "/" + name; }

bool HasNul(const std::string& line) { return line.find('\0') != std::string::npos; }
bool Contains(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

Lines Codecs(uint32_t limit = kToolTimeLimitMs) {
  LineList out;
  WriteCodecSection(out, limit);
  return out.lines;
}

Lines Devices(bool sixtyFourBit) {
  LineList out;
  WriteDeviceSection(out, sixtyFourBit, kToolTimeLimitMs);
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

TEST(OutsideTools, AToolTheReportStopsWaitingForIsStoppedAndItsListDropped) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("tool_hanging.exe"), "InstalledCodec.exe"));
  int asked = 0;
  LineList out;
  EXPECT_THROW(WriteCodecSection(out, os::kWaitForever, [&asked] { return ++asked < 5; }), os::Cancelled);
  EXPECT_EQ(asked, 5);
  EXPECT_EQ(out.lines, Lines{});
  EXPECT_FALSE(os::FileExists(folder.Path("tmp.txt")));
}

TEST(OutsideTools, AToolThatCannotStartOrWritesNothingGivesNoLines) {
  test::WorkingFolder folder;
  test::WriteFile(folder.Path("InstalledCodec.exe"), "not a program");
  EXPECT_EQ(Codecs(), Lines{});
  ASSERT_TRUE(folder.Install(Fixture("stub_no_version.exe"), "DevManView-64.exe"));
  EXPECT_EQ(Devices(true), Lines{});
}

TEST(OutsideTools, AListThatCannotBeReadIsAnInputOutputError) {
  test::WorkingFolder folder;
  ASSERT_TRUE(folder.Install(Tool("InstalledCodec.exe"), "InstalledCodec.exe"));
  test::WriteFile(folder.Path("tmp.txt"), "locked\r\n");
  HANDLE holder = CreateFileA(folder.Path("tmp.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  try {
    (void)Codecs();
    ADD_FAILURE() << "a tmp.txt held exclusively must end the report";
  } catch (const InOutError& error) {
    EXPECT_STREQ(error.what(), "Erreur E/S 32");
  }
  CloseHandle(holder);
}

TEST(RunAndWait, GivesTheExitCodeOrSaysItCouldNotStart) {
  const os::RunResult exited = os::RunAndWait("cmd.exe /c exit 7", 0, os::kWaitForever);
  EXPECT_EQ(exited.outcome, os::RunOutcome::Ended);
  EXPECT_EQ(exited.exitCode, 7u);
  EXPECT_EQ(os::RunAndWait("tavisto-no-such-program.exe", 0, 1000).outcome, os::RunOutcome::NotStarted);
  // Longer than the 259 characters the system is handed: refused rather than cut.
  const std::string tooLong = "cmd.exe /c rem " + std::string(250, 'x');
  EXPECT_EQ(os::RunAndWait(tooLong, 0, 1000).outcome, os::RunOutcome::NotStarted);
}

// The tests run on 64-bit Windows (Wine's win64 prefix): the 32-bit build is a WOW64 process
// there, and both builds take the 64-bit device tool.
TEST(DeviceToolChoice, OnSixtyFourBitWindowsBothBuildsTakeTheSixtyFourBitTool) {
  EXPECT_EQ(IsRunningOnWow64(), sizeof(void*) == 4);
  EXPECT_TRUE(DeviceToolIsSixtyFourBit());
}

}  // namespace
}  // namespace tavisto::report
