#include "zip/path_rules.h"

#include <gtest/gtest.h>

#include "os/files.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::zip {
namespace {

// Windows-form expectations in the platform's own separators.
using testing::N;

TEST(PathRules, ExpandPathMakesAbsoluteAndResolvesSteps) {
  EXPECT_EQ(ExpandPath("C:\\Base\\x.zip"), N("C:\\Base\\x.zip"));
  EXPECT_EQ(ExpandPath("\\\\server\\share\\x"), N("\\\\server\\share\\x"));
  EXPECT_EQ(ExpandPath("sub\\a.txt", "C:\\Base"), N("C:\\Base\\sub\\a.txt"));
  EXPECT_EQ(ExpandPath("sub/a.txt", "C:\\Base\\"), N("C:\\Base\\sub\\a.txt"));
  EXPECT_EQ(ExpandPath("", "C:\\Base"), N("C:\\Base"));
  // Two spellings of one file come out the same.
  EXPECT_EQ(ExpandPath(".\\x\\..\\a.zip", "C:\\Base"), N("C:\\Base\\a.zip"));
  EXPECT_EQ(ExpandPath("C:\\Base\\\\Sub\\.\\"), N("C:\\Base\\Sub\\"));
  EXPECT_EQ(ExpandPath("C:\\..\\x"), N("C:\\x"));
  // A relative path without `against` is taken in the current directory.
  EXPECT_EQ(ExpandPath("a.zip"), JoinPath(N(os::CurrentDirectory()), "a.zip"));
}

TEST(PathRules, ExpandMaskTellsPlainMasksFromPaths) {
  const std::string folder = N("C:\\Base");
  const auto check = [&](const std::string& mask, const std::string& full, bool plain) {
    const ExpandedMask expanded = ExpandMask(mask, folder);
    EXPECT_EQ(expanded.full, N(full)) << mask;
    EXPECT_EQ(expanded.plain, plain) << mask;
  };
  check("*.*", "C:\\Base\\*.*", true);
  check("sub\\*.txt", "C:\\Base\\sub\\*.txt", true);
  check(".\\*.txt", "C:\\Base\\*.txt", false);
  // On Windows a leading separator means "inside the folder"; on POSIX it is the root.
  if (NativeSeparator() == '\\') check("\\*.txt", "C:\\Base\\*.txt", false);
  else check("/tmp/*.txt", "/tmp/*.txt", false);
  check("\\", "C:\\Base", false);
  check("\\\\server\\share\\*.*", "\\\\server\\share\\*.*", false);
  check("D:\\Other\\*.log", "D:\\Other\\*.log", false);
  check("..\\Other\\*.log", "..\\Other\\*.log", false);
}

TEST(PathRules, DriveFolderAndNameParts) {
  EXPECT_EQ(DrivePart("C:\\x\\y"), "C:");
  EXPECT_EQ(DrivePart(N("\\\\srv\\share\\x")), N("\\\\srv\\share"));
  EXPECT_EQ(DrivePart("relative\\x"), "");
  EXPECT_EQ(FolderPart("C:\\x\\y.txt"), "C:\\x\\");
  EXPECT_EQ(NamePart("C:\\x\\y.txt"), "y.txt");
  EXPECT_EQ(NamePart("C:y.txt"), "y.txt");
  EXPECT_EQ(NamePart("C:\\x\\"), "");
}

TEST(PathRules, StoredNamesAreRelativeWithForwardSlashes) {
  const std::string base = "C:\\Data\\Base";
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\a.txt", base, spRelativePath), "a.txt");
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\Sub\\Deep\\a.txt", base, spRelativePath), "Sub/Deep/a.txt");
  // A folder: trailing separator and a trailing "." step are dropped (the caller adds "/"); a dot
  // that ends a name is the name's own.
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\Sub\\", base, spRelativePath), "Sub");
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\Sub\\.", base, spRelativePath), "Sub");
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\Sub.\\dot.", base, spRelativePath), "Sub./dot.");
  // Folders compare without regard to case.
  EXPECT_EQ(MakeStoredName("c:\\DATA\\base\\x\\a.txt", base, spRelativePath), "x/a.txt");
  // Outside the base: the absolute path without its drive, never "../".
  EXPECT_EQ(MakeStoredName("C:\\Data\\Other\\a.txt", base, spRelativePath), "Data/Other/a.txt");
  EXPECT_EQ(MakeStoredName("D:\\Else\\a.txt", base, spRelativePath), "Else/a.txt");
  EXPECT_EQ(MakeStoredName("\\\\srv\\share\\x\\a.txt", base, spRelativePath), "share/x/a.txt");
  // The other modes.
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\Sub\\a.txt", base, spNoPath), "a.txt");
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\Sub\\a.txt", base, spFullPath), "Data/Base/Sub/a.txt");
  EXPECT_EQ(MakeStoredName("C:\\Data\\Base\\Sub\\a.txt", base, spFullPathWithDrive), "C:/Data/Base/Sub/a.txt");
  EXPECT_EQ(MakeStoredName("sub\\a.txt", base, spRelativePath), "sub/a.txt") << "relative to the base";
}

TEST(PathRules, StoredNamesAgreeForEverySpellingOfAPath) {
  // Paths as the scan builds them (the platform's separators, nothing to resolve) and other
  // spellings of the same paths give the same names.
  const std::string base = N("C:\\Data\\Base");
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Data\\Base\\x\\a.txt", "x/a.txt"},
      {"C:\\Data\\BASE\\x\\a.txt", "x/a.txt"},
      {"C:\\Data\\Base\\.\\x\\\\a.txt", "x/a.txt"},
      {"C:\\Data\\Base\\y\\..\\x\\a.txt", "x/a.txt"},
      {"C:\\Data\\Base\\Sub\\", "Sub"},
      {"C:\\Data\\Based\\a.txt", "Data/Based/a.txt"},
      {"C:\\Data\\Base", "Data/Base"},
  };
  for (const auto& [path, stored] : cases) {
    EXPECT_EQ(MakeStoredName(N(path), base, spRelativePath), stored) << path;
    EXPECT_EQ(MakeStoredName(N(path), base + NativeSeparator(), spRelativePath), stored) << path;
  }
}

TEST(PathRules, RelativePathClimbsWithDotDot) {
  EXPECT_EQ(RelativePath(N("C:\\A\\B\\x.txt"), N("C:\\A\\C\\D")), N("..\\..\\B\\x.txt"));
  EXPECT_EQ(RelativePath(N("D:\\x.txt"), N("C:\\A")), N("D:\\x.txt"));
}

}  // namespace
}  // namespace tavisto::zip
