// The file lists and the CS.log copy on the real file system: attributes and share modes.
#include <gtest/gtest.h>
#include <windows.h>

#include "report/inventories.h"
#include "report/program_versions.h"
#include "tests/support/temp_dir.h"
#include "tests/win/report/fixture_path.h"

namespace tavisto::report {
namespace {

using Lines = std::vector<std::string>;

using test::Fixture;

void SetAttributes(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

TEST(ListFilesOnWindows, LeavesOutSystemEntriesAndAllBelowASystemFolder) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("root\\Sys\\inner"));
  test::MakeDirectories(dir.Path("root\\Plain"));
  test::WriteFile(dir.Path("root\\a.txt"), "x");
  test::WriteFile(dir.Path("root\\hidden.txt"), "x");
  test::WriteFile(dir.Path("root\\system.txt"), "x");
  test::WriteFile(dir.Path("root\\Sys\\under-system.txt"), "x");
  test::WriteFile(dir.Path("root\\Sys\\inner\\deeper.txt"), "x");
  test::WriteFile(dir.Path("root\\Plain\\kept.txt"), "x");
  SetAttributes(dir.Path("root\\hidden.txt"), FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(dir.Path("root\\system.txt"), FILE_ATTRIBUTE_SYSTEM);
  SetAttributes(dir.Path("root\\Sys"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);

  LineList out;
  ListFiles(dir.Path("root"), "*.*", out);
  const std::string root = dir.Path("root");
  EXPECT_EQ(out.lines, (Lines{root + "\\a.txt", root + "\\hidden.txt", root + "\\Plain\\kept.txt"}));
  SetAttributes(dir.Path("root\\Sys"), FILE_ATTRIBUTE_DIRECTORY);  // so the folder can be removed
}

// The program that writes CS.log keeps it open for writing while the customer runs us.
TEST(CopyCsLogOnWindows, CopiesALogThatIsOpenForWriting) {
  test::TempDir dir;
  test::WriteFile(dir.Path("CS.log"), "one\r\ntwo\r\n");
  HANDLE writer = CreateFileA(dir.Path("CS.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  LineList out;
  EXPECT_EQ(CopyCsLog(dir.Root(), out), "");
  CloseHandle(writer);
  EXPECT_EQ(out.lines, (Lines{"one", "two"}));
}

// The data folder is stored with its backslash: the line names the log with one backslash.
TEST(CopyCsLogOnWindows, ALogHeldExclusivelyBecomesOneLineSayingWhy) {
  test::TempDir dir;
  test::WriteFile(dir.Path("CS.log"), "secret\r\n");
  HANDLE holder = CreateFileA(dir.Path("CS.log").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  LineList out;
  const std::string problem = CopyCsLog(dir.Root() + "\\", out);
  CloseHandle(holder);
  EXPECT_EQ(problem.rfind(dir.Path("CS.log") + " could not be read: ", 0), 0u) << problem;
  ASSERT_EQ(out.lines.size(), 1u);
  EXPECT_EQ(out.lines[0], UnreadableFileLine(dir.Path("CS.log"), ERROR_SHARING_VIOLATION));
  EXPECT_NE(out.lines[0].find("(error 32)"), std::string::npos) << out.lines[0];
}

TEST(ListProgramVersions, GivesEveryProgramBelowTheFolderWithItsVersion) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("Zorvel\\Tools"));
  const auto copy = [&](const char* fixture, const char* to) {
    ASSERT_TRUE(CopyFileA(Fixture(fixture).c_str(), dir.Path(to).c_str(), FALSE)) << to;
  };
  copy("stub_version_040904b0.exe", "Zorvel\\Zorvel.exe");
  copy("stub_no_version.exe", "Zorvel\\Tools\\Plain.EXE");
  copy("stub_all_keys_041004e4.exe", "Zorvel\\Tools\\Setup.exe");
  test::WriteFile(dir.Path("Zorvel\\README"), "no extension: passes the mask");
  test::WriteFile(dir.Path("Zorvel\\helper.dll"), "not a program");

  LineList out;
  ListProgramVersions(dir.Path("Zorvel"), out);
  const std::string root = dir.Path("Zorvel");
  EXPECT_EQ(out.lines, (Lines{root + "\\README: ", root + "\\Tools\\Plain.EXE: ",
                              root + "\\Tools\\Setup.exe: 6.1.7600.16385 (win7_rtm.090713-1255)",
                              root + "\\Zorvel.exe: 2.8.14.0"}));

  LineList none;
  ListProgramVersions(dir.Path("absent"), none);
  ListProgramVersions("", none);
  EXPECT_EQ(none.lines, Lines{});
}

}  // namespace
}  // namespace tavisto::report
