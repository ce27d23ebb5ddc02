#include "lookups/known_folders.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "os/shell_folders.h"
#include "tests/support/temp_dir.h"

namespace tavisto::lookups {
namespace {

std::string Environment(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
  return length && length < MAX_PATH ? std::string(value, length) : std::string();
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(SpecialFolders, ApplicationDataFoldersComeWithoutTrailingBackslash) {
  const std::string local = GetShellFolderPath(kCsidlLocalAppData, false);
  EXPECT_EQ(Lower(local), Lower(Environment("LOCALAPPDATA")));
  EXPECT_EQ(Lower(GetShellFolderPath(kCsidlCommonAppData, false)), Lower(Environment("ProgramData")));
  ASSERT_FALSE(local.empty());
  EXPECT_NE(local.back(), '\\');
}

TEST(SpecialFolders, DesktopIsTheProfilesDesktop) {
  EXPECT_EQ(Lower(GetSpecialFolderPath(kCsidlDesktop)), Lower(Environment("USERPROFILE") + "\\Desktop"));
  EXPECT_EQ(GetSpecialFolderPath(0x7FFF), "");  // a folder number the shell does not know
}

TEST(FolderPathFunction, ComesFromTheFirstLibraryThatOffersIt) {
  const auto shell = os::FolderPathFunction::Find({"shell32.dll", "SHFOLDER.DLL"});
  EXPECT_EQ(shell.Library(), "shell32.dll");
  // A library that does not load, or loads without the entry point, hands over to the next.
  const auto missing = os::FolderPathFunction::Find({"tavisto-no-such-library.dll", "SHFOLDER.DLL"});
  EXPECT_EQ(missing.Library(), "SHFOLDER.DLL");
  const auto without = os::FolderPathFunction::Find({"kernel32.dll", "SHFOLDER.DLL"});
  EXPECT_EQ(without.Library(), "SHFOLDER.DLL");
  EXPECT_EQ(without.Call(kCsidlLocalAppData), shell.Call(kCsidlLocalAppData));
  // Nobody offers it: every call answers nothing.
  const auto none = os::FolderPathFunction::Find({"kernel32.dll", "tavisto-no-such-library.dll"});
  EXPECT_FALSE(none.Found());
  EXPECT_EQ(none.Call(kCsidlLocalAppData), std::nullopt);
}

TEST(SpecialFolders, SystemFolderHasNoTrailingBackslash) {
  EXPECT_EQ(Lower(GetSystemFolder()), Lower(Environment("WINDIR") + "\\system32"));
}

// GetTempPathA takes TMP first; the folder must end in exactly one backslash either way.
TEST(SpecialFolders, TempFolderEndsInExactlyOneBackslash) {
  const std::string saved = Environment("TMP");
  test::TempDir dir;
  ASSERT_TRUE(SetEnvironmentVariableA("TMP", dir.Root().c_str()));
  EXPECT_EQ(Lower(GetTempFolder()), Lower(dir.Root() + "\\"));
  ASSERT_TRUE(SetEnvironmentVariableA("TMP", (dir.Root() + "\\").c_str()));
  EXPECT_EQ(Lower(GetTempFolder()), Lower(dir.Root() + "\\"));
  SetEnvironmentVariableA("TMP", saved.empty() ? nullptr : saved.c_str());
}

TEST(SpecialFolders, FolderExistsOnlyForFolders) {
  test::TempDir dir;
  test::WriteFile(dir.Path("file.txt"), "x");
  EXPECT_TRUE(FolderExists(dir.Root()));
  EXPECT_TRUE(FolderExists(dir.Root() + "\\"));
  EXPECT_FALSE(FolderExists(dir.Path("file.txt")));
  EXPECT_FALSE(FolderExists(dir.Path("absent")));
  EXPECT_FALSE(FolderExists(""));
}

}  // namespace
}  // namespace tavisto::lookups
