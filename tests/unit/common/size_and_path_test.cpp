#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/path_parts.h"
#include "common/size_text.h"

namespace tavisto {
namespace {

TEST(SizeText, RunningFiguresRoundedExactOnesKeepSmallSizesAndLargeUnits) {
  constexpr uint64_t kMB = 1024 * 1024;
  const struct {
    uint64_t bytes;
    SizeStyle style;
    const char* text;
  } cases[] = {
      {0, SizeStyle::Running, "0 KB"},
      {1, SizeStyle::Running, "1 KB"},  // rounded up: a few bytes are not "0 KB"
      {kMB - 1, SizeStyle::Running, "1024 KB"},
      {kMB, SizeStyle::Running, "1.0 MB"},
      {12897485, SizeStyle::Running, "12.3 MB"},
      {uint64_t{5} << 30, SizeStyle::Running, "5120.0 MB"},
      {0, SizeStyle::Exact, "0 bytes"},
      {1, SizeStyle::Exact, "1 byte"},
      {1023, SizeStyle::Exact, "1023 bytes"},
      {1024, SizeStyle::Exact, "1.0 KB"},
      {3 * kMB, SizeStyle::Exact, "3.0 MB"},
      {(uint64_t{5} << 30) / 2, SizeStyle::Exact, "2.5 GB"},
      {uint64_t{3} << 40, SizeStyle::Exact, "3.0 TB"},
      {1, SizeStyle::Bytes, "1 byte"},
      {999, SizeStyle::Bytes, "999 bytes"},
      {1000, SizeStyle::Bytes, "1,000 bytes"},
      {3 * kMB, SizeStyle::Bytes, "3,145,728 bytes"},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes, c.style), c.text) << c.bytes;
}

TEST(PathParts, NameFolderAndPrefixAsTheSystemSplitsThem) {
  const struct {
    const char* path;
    const char* name;
    const char* folder;
    const char* prefix;
  } cases[] = {
      {"C:\\Suite\\ZorvelData.zip", "ZorvelData.zip", "C:\\Suite", "C:\\Suite\\"},
      {"C:/Suite/Data.zip", "Data.zip", "C:/Suite", "C:/Suite/"},
      {"C:\\Data.zip", "Data.zip", "C:\\", "C:\\"},
      {"\\Data.zip", "Data.zip", "\\", "\\"},
      {"C:Data.zip", "Data.zip", "C:", "C:"},
      {"Data.zip", "Data.zip", "", ""},
      {"C:\\Suite\\", "", "C:\\Suite", "C:\\Suite\\"},
      {"\\\\server\\share\\a b.txt", "a b.txt", "\\\\server\\share", "\\\\server\\share\\"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(NameOf(c.path), c.name);
    EXPECT_EQ(FolderOf(c.path), c.folder);
    EXPECT_EQ(FolderPrefixOf(c.path), c.prefix);
  }
  // A folder stored with or without its backslash gives one path.
  EXPECT_EQ(PathIn("C:\\Data\\", "CS.log"), "C:\\Data\\CS.log");
  EXPECT_EQ(PathIn("C:\\Data", "CS.log"), "C:\\Data\\CS.log");
  EXPECT_EQ(PathIn("", "tmp.txt"), "\\tmp.txt");
}

}  // namespace
}  // namespace tavisto
