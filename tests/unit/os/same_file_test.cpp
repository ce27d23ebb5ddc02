// One file however it is spelled, and a path inside a folder however either is spelled: told by
// what the system resolves, here natively and under Wine (where names match in any case).
#include "os/same_file.h"

#include <gtest/gtest.h>

#include "os/files.h"
#include "tests/support/folder_link.h"
#include "tests/support/temp_dir.h"
#ifdef _WIN32
#include <windows.h>

#include "os/win32/wide.h"
#endif

namespace tavisto::os {
namespace {

struct Spelling {
  const char* what;
  std::string a, b;
  bool same;
};

// Back to the folder the test started in, however it ends.
struct InFolder {
  explicit InFolder(const std::string& folder) : before(CurrentDirectory()) { EXPECT_TRUE(ChangeCurrentDirectory(folder)); }
  ~InFolder() { (void)ChangeCurrentDirectory(before); }
  std::string before;
};

TEST(SameFile, OneFileHoweverItIsSpelled) {
  test::TempDir dir;
  const std::string sep(1, test::Separator());
  const bool windows = sep == "\\";
  test::MakeDirectories(dir.Path("Support Files/sub"));
  test::WriteFile(dir.Path("Support Files/Out.zip"), "x");
  ASSERT_TRUE(test::MakeFolderLink(dir.Path("Link"), dir.Path("Support Files")));
  const std::string s = dir.Path("Support Files") + sep;
  std::vector<Spelling> cases = {
      {"the other separator", s + "Out.zip", dir.Root() + "/Support Files/Out.zip", true},
      {"relative to the current folder", s + "Out.zip", "Support Files" + sep + "Out.zip", true},
      {"dot and dot-dot steps", s + "Out.zip", s + "sub" + sep + ".." + sep + "." + sep + "Out.zip", true},
      {"through a folder link", s + "Out.zip", dir.Path("Link/Out.zip"), true},
      {"a new file through a folder link", s + "New.zip", dir.Path("Link/New.zip"), true},
      {"letters in another case", s + "Out.zip", s + "OUT.ZIP", windows},
      {"a new file, accented letters in another case", s + "\xC3\x89t\xC3\xA9.zip", s + "\xC3\xA9T\xC3\x89.ZIP",
       windows},
      {"trailing dot and space, which Windows drops", s + "New.zip", s + "New.zip. .", windows},
      {"another file", s + "Out.zip", s + "Other.zip", false},
      {"the same name in another folder", s + "Out.zip", dir.Path("Out.zip"), false},
  };
#ifdef _WIN32
  // The short name Windows gives a long one (8.3), as old scripts write it.
  wchar_t shortName[MAX_PATH];
  if (GetShortPathNameW(win32::Widen(dir.Path("Support Files")).c_str(), shortName, MAX_PATH))
    cases.push_back({"the folder's short name", s + "Out.zip", win32::Narrow(shortName) + "\\out.zip", true});
#endif
  const InFolder inside(dir.Root());
  for (const Spelling& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.a + " | " + c.b);
    EXPECT_EQ(SameFile(c.a, c.b), c.same);
    EXPECT_EQ(SameFile(c.b, c.a), c.same);
  }
}

TEST(LiesInside, APathBelowAFolderHoweverEitherIsSpelled) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("Zorvel/Data/Logs"));
  test::MakeDirectories(dir.Path("Zorvel/Data2"));
  ASSERT_TRUE(test::MakeFolderLink(dir.Path("Shortcut"), dir.Path("Zorvel/Data/Logs")));
  const std::string data = dir.Path("Zorvel/Data");
  const struct {
    const char* what;
    std::string path;
    bool inside;
  } cases[] = {
      {"a new file in it", dir.Path("Zorvel/Data/out.zip"), true},
      {"a new file two folders down", dir.Path("Zorvel/Data/Logs/out.zip"), true},
      {"through a link into it", dir.Path("Shortcut/out.zip"), true},
      {"the folder itself", data, true},
      {"a folder whose name begins alike", dir.Path("Zorvel/Data2/out.zip"), false},
      {"the folder above it", dir.Path("Zorvel/out.zip"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LiesInside(c.path, data), c.inside) << c.path;
  }
  EXPECT_FALSE(LiesInside(dir.Path("Zorvel/Data/out.zip"), dir.Path("Missing"))) << "a folder that is not there";
}

}  // namespace
}  // namespace tavisto::os
