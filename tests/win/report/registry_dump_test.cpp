#include "report/registry_dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "report/problems.h"
#include "report/user_locale.h"
#include "tests/support/win/registry_fixture.h"
#include "tests/win/report/locale_override.h"

namespace tavisto::report {
namespace {

using Lines = std::vector<std::string>;

constexpr char kTestKey[] = "Software\\TavistoDumpTest";

std::vector<uint8_t> DoubleBytes(double value) {
  std::vector<uint8_t> bytes(8);
  std::memcpy(bytes.data(), &value, 8);
  return bytes;
}

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) { return bytes; }

Lines Dump(const std::string& path, int depth = 1) {
  LineList out;
  Problems problems;
  DumpKey(os::RegRoot::CurrentUser, path, depth, out, UserLocaleFormats(), problems);
  EXPECT_EQ(problems.Lines(), Lines{});
  return out.lines;
}

class RegistryDump : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
  test::RegistryFixture reg;
  test::LocaleOverride locale{"dd/MM/yyyy", "HH:mm:ss", ","};
};

TEST_F(RegistryDump, WritesEveryValueTypeAsTheKeyLogShowsIt) {
  const std::string key = std::string(kTestKey) + "\\Types";
  reg.SetString(HKEY_CURRENT_USER, key, "", "the default");
  reg.SetString(HKEY_CURRENT_USER, key, "Alpha", "text");
  reg.SetDword(HKEY_CURRENT_USER, key, "Beta", 0xFFFFFFFF);
  reg.SetBinary(HKEY_CURRENT_USER, key, "Gamma", DoubleBytes(1.5));
  reg.SetString(HKEY_CURRENT_USER, key, "Path", "%SystemRoot%", REG_EXPAND_SZ);
  reg.SetRaw(HKEY_CURRENT_USER, key, "Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
  reg.SetRaw(HKEY_CURRENT_USER, key, "Quad", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0});
  reg.SetString(HKEY_CURRENT_USER, key, "Cut", std::string("before\0after", 12));
  // The registry lists values sorted without regard to case; the default value comes first.
  EXPECT_EQ(Dump(key), (Lines{
                           "       = the default",
                           "      Alpha = text",
                           "      Beta = -1",
                           "      Cut = before",
                           "      Gamma(as DateTime) = 31/12/1899 12:00:00",
                           "      Gamma (as Integer) = 4609434218613702656",
                           "      Gamma (as binary) = 00 00 00 00 00 00 F8 3F ",
                           "      Gamma (as Float) = 1,5",
                           "      Multi = ??? ",
                           "      Path = ??? ",
                           "      Quad = ??? ",
                       }));
}

TEST_F(RegistryDump, IndentsSubKeysByFiveAndValuesBySixPerLevel) {
  const std::string root = std::string(kTestKey) + "\\Velmo";
  reg.SetString(HKEY_CURRENT_USER, root + "\\Zorvel\\AppPath", "AppPath", "C:\\Z\\");
  reg.SetString(HKEY_CURRENT_USER, root + "\\Zorvel\\AppPath\\Deep", "Third", "3");
  reg.SetString(HKEY_CURRENT_USER, root + "\\Zorvel", "Version", "2");
  reg.SetString(HKEY_CURRENT_USER, root + "\\Quorix", "Version", "q");
  reg.SetString(HKEY_CURRENT_USER, root, "Top", "t");
  // Each sub-key's whole tree follows its own line, before its next sibling; the key's own
  // values come after its sub-keys. A leading backslash on the path is ignored.
  EXPECT_EQ(Dump("\\" + root), (Lines{
                                   "     + Quorix",
                                   "            Version = q",
                                   "     + Zorvel",
                                   "          + AppPath",
                                   "               + Deep",
                                   "                        Third = 3",
                                   "                  AppPath = C:\\Z\\",
                                   "            Version = 2",
                                   "      Top = t",
                               }));
}

TEST_F(RegistryDump, KeysThatDoNotOpenOrHoldNothingAddNothing) {
  reg.CreateKey(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Empty");
  EXPECT_EQ(Dump(std::string(kTestKey) + "\\Empty"), Lines{});
  EXPECT_EQ(Dump(std::string(kTestKey) + "\\Absent"), Lines{});
}

TEST_F(RegistryDump, GoesOnAfterABinaryValueOfAnySize) {
  const std::string key = std::string(kTestKey) + "\\Sizes";
  reg.SetBinary(HKEY_CURRENT_USER, key, "B0", {});
  reg.SetBinary(HKEY_CURRENT_USER, key, "B1", Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  reg.SetBinary(HKEY_CURRENT_USER, key, "B2", std::vector<uint8_t>(63, 0x0A));
  reg.SetBinary(HKEY_CURRENT_USER, key, "B3", std::vector<uint8_t>(64, 0x0B));
  reg.SetBinary(HKEY_CURRENT_USER, key, "B4", std::vector<uint8_t>(5000, 0x0C));
  reg.SetString(HKEY_CURRENT_USER, key, "Z", "still here");
  std::string sixtyThree;
  for (int i = 0; i < 63; ++i) sixtyThree += "0A ";
  EXPECT_EQ(Dump(key), (Lines{
                           "      B0(as DateTime) = ",
                           "      B0 (as Integer) = ",
                           "      B0 (as binary) = ",
                           "      B0 (as Float) = ",
                           "      B1(as DateTime) = ",
                           "      B1 (as Integer) = -1",
                           "      B1 (as binary) = FF FF FF FF ",
                           "      B1 (as Float) = ",
                           "      B2(as DateTime) = ",
                           "      B2 (as Integer) = ",
                           "      B2 (as binary) = " + sixtyThree,
                           "      B2 (as Float) = ",
                           "      B3(as DateTime) = ",
                           "      B3 (as Integer) = ",
                           "      B3 (as binary) = ",
                           "      B3 (as Float) = ",
                           "      B4(as DateTime) = ",
                           "      B4 (as Integer) = ",
                           "      B4 (as binary) = ",
                           "      B4 (as Float) = ",
                           "      Z = still here",
                       }));
}

// A value the dump cannot show as its type says keeps its line, a note in place of its data, and
// is one of the report's problems with its key; the dump goes on. A DWORD is shown only when it
// has its four bytes. A name made of a lone UTF-16 surrogate cannot cross as UTF-8, so its value
// cannot be read back by that name.
TEST_F(RegistryDump, AValueItCannotShowCostsItsLineAndNothingElse) {
  const std::string key = std::string(kTestKey) + "\\Odd";
  reg.SetRaw(HKEY_CURRENT_USER, key, "D0", REG_DWORD, {});
  reg.SetRaw(HKEY_CURRENT_USER, key, "D4", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF});
  reg.SetRaw(HKEY_CURRENT_USER, key, "D8", REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  reg.SetString(HKEY_CURRENT_USER, key + "\\Later", "Z", "still here");
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
  const DWORD one = 1;
  ASSERT_EQ(RegSetValueExW(opened, L"\xD800", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
  RegCloseKey(opened);

  LineList out;
  Problems problems;
  DumpKey(os::RegRoot::CurrentUser, key, 1, out, UserLocaleFormats(), problems);
  ASSERT_EQ(out.lines.size(), 6u);
  EXPECT_EQ(Lines(out.lines.begin(), out.lines.begin() + 5),
            (Lines{"     + Later", "            Z = still here", "      D0 = (REG_DWORD of 0 bytes: not shown)",
                   "      D4 = -2", "      D8 = (REG_DWORD of 8 bytes: not shown)"}));
  // The surrogate's name as the code page shows it, and why it could not be read.
  EXPECT_EQ(out.lines[5].rfind("      ? = (could not be read: ", 0), 0u) << out.lines[5];
  EXPECT_TRUE(out.lines[5].ends_with("(error 2))")) << out.lines[5];
  const std::string where = "HKEY_CURRENT_USER\\" + key + ": value \"";
  ASSERT_EQ(problems.Lines().size(), 3u);
  EXPECT_EQ(problems.Lines()[0], where + "D0\" (REG_DWORD of 0 bytes: not shown)");
  EXPECT_EQ(problems.Lines()[1], where + "D8\" (REG_DWORD of 8 bytes: not shown)");
  EXPECT_EQ(problems.Lines()[2].rfind(where, 0), 0u) << problems.Lines()[2];
}

// A key named outside the code page is opened and dumped with its values, and shown in the
// code page; a tree whose key paths pass 260 characters is dumped to its deepest key.
TEST_F(RegistryDump, NamesOutsideTheCodePageAndDeepPathsAreDumpedWhole) {
  const std::string omega = "\xCE\xA9mega";  // the Greek capital omega, then "mega"
  const std::string root = std::string(kTestKey) + "\\Names";
  reg.SetString(HKEY_CURRENT_USER, root + "\\" + omega, "Caf\xC3\xA9 \xE6\x97\xA5", "\xCE\xB1\xCE\xB2 caf\xC3\xA9");
  reg.SetString(HKEY_CURRENT_USER, root + "\\Omega", "Plain", "p");
  std::string deep = root;
  for (char c = 'a'; c <= 'g'; ++c) deep += "\\" + std::string(40, c);
  ASSERT_GT(deep.size(), 300u);
  reg.SetDword(HKEY_CURRENT_USER, deep, "Bottom", 7);

  const Lines lines = Dump(root);
  ASSERT_EQ(lines.size(), 12u);
  const auto line = [&](const std::string& text) { return std::find(lines.begin(), lines.end(), text); };
  // The deepest key sits at depth 8, its key path 300 characters long.
  const auto bottom = line(std::string(6 * 8, ' ') + "Bottom = 7");
  ASSERT_NE(bottom, lines.end());
  EXPECT_EQ(*(bottom - 1), std::string(5 * 7, ' ') + "+ " + std::string(40, 'g'));
  // The Greek letters have no form in the code page; the rest of each name and text shows as
  // it is, and the key keeps its values beside the plain "Omega".
  const auto greek = line("     + ?mega");
  ASSERT_NE(greek, lines.end());
  EXPECT_EQ(*(greek + 1), "            Caf\xE9 ? = ?? caf\xE9");
  const auto latin = line("     + Omega");
  ASSERT_NE(latin, lines.end());
  EXPECT_EQ(*(latin + 1), "            Plain = p");
}

TEST_F(RegistryDump, DatesFollowTheUsersFormats) {
  const std::string key = std::string(kTestKey) + "\\Dates";
  reg.SetBinary(HKEY_CURRENT_USER, key, "Midnight", DoubleBytes(45000.0));
  reg.SetBinary(HKEY_CURRENT_USER, key, "Morning", DoubleBytes(45000.25));
  {
    test::LocaleOverride us{"M/d/yyyy", "h:mm:ss tt", "."};
    const Lines lines = Dump(key);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "      Midnight(as DateTime) = 3/15/2023");  // no time at midnight
    EXPECT_EQ(lines[3], "      Midnight (as Float) = 45000");
    EXPECT_EQ(lines[4], "      Morning(as DateTime) = 3/15/2023 6:00:00 AM");
    EXPECT_EQ(lines[7], "      Morning (as Float) = 45000.25");
  }
  EXPECT_EQ(Dump(key)[4], "      Morning(as DateTime) = 15/03/2023 06:00:00");
}

}  // namespace
}  // namespace tavisto::report
