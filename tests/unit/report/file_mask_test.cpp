#include "report/file_mask.h"

#include <gtest/gtest.h>

namespace tavisto::report {
namespace {

TEST(FileMask, StarsAndBlankMasksPassEveryFile) {
  for (const char* mask : {"*", "*.*", "", "   ", " *.* "}) {
    const FileMask normalised = NormaliseMask(mask);
    EXPECT_TRUE(normalised.everyFile) << "[" << mask << "]";
    EXPECT_TRUE(Passes(normalised, "any.thing"));
  }
}

TEST(FileMask, IsLowerCasedTrimmedAndEndsInOneBlank) {
  EXPECT_EQ(NormaliseMask("*.exe").text, "*.exe ");
  EXPECT_EQ(NormaliseMask("  *.EXE  ").text, "*.exe ");
  EXPECT_EQ(NormaliseMask("*.exe *.DLL").text, "*.exe *.dll ");
}

TEST(FileMask, AFilePassesWhenItsExtensionAndABlankOccurInTheMask) {
  const FileMask exe = NormaliseMask(" *.EXE ");
  EXPECT_TRUE(Passes(exe, "Setup.exe"));
  EXPECT_TRUE(Passes(exe, "SETUP.EXE"));
  EXPECT_TRUE(Passes(exe, "a.b.Exe"));
  EXPECT_FALSE(Passes(exe, "Setup.ex"));
  EXPECT_FALSE(Passes(exe, "notes.txt"));
  EXPECT_FALSE(Passes(exe, "archive.exe.bak"));
  // ".ex " is not in "*.exe " but ".exe " is; a longer extension is not cut to fit.
  EXPECT_FALSE(Passes(exe, "x.exec"));

  const FileMask both = NormaliseMask("*.exe *.dll");
  EXPECT_TRUE(Passes(both, "a.dll"));
  EXPECT_TRUE(Passes(both, "a.exe"));
  EXPECT_FALSE(Passes(both, "a.sys"));
}

TEST(FileMask, ANameWithoutExtensionPassesEveryMask) {
  EXPECT_TRUE(Passes(NormaliseMask("*.exe"), "README"));
  EXPECT_TRUE(Passes(NormaliseMask("*.dll"), "Makefile"));
}

}  // namespace
}  // namespace tavisto::report
