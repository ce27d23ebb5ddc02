#include "os/dir_listing.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "os/files.h"
#include "os/os_error.h"
#include "tests/support/folder_link.h"
#include "tests/support/temp_dir.h"

namespace tavisto::os {
namespace {

std::map<std::string, DirEntry> List(const std::string& pattern, std::vector<std::string>* order = nullptr) {
  std::map<std::string, DirEntry> entries;
  DirListing listing(pattern);
  for (DirEntry entry; listing.Next(entry);) {
    if (order) order->push_back(entry.name);
    entries[entry.name] = entry;
  }
  return entries;
}

TEST(DirListing, GivesNamesSizesAndAttributes) {
  test::TempDir dir;
  test::WriteFile(dir.Path("b.txt"), "12345");
  test::WriteFile(dir.Path(".hidden"), "");
  test::MakeDirectories(dir.Path("aSub"));

  std::vector<std::string> order;
  const auto entries = List(dir.Root() + "\\*.*", &order);
  ASSERT_EQ(entries.size(), 5u) << "., .., .hidden, aSub, b.txt";
  EXPECT_EQ(order[0], ".");
  EXPECT_EQ(order[1], "..");
  EXPECT_EQ(entries.at("b.txt").size, 5u);
  EXPECT_FALSE(entries.at("b.txt").attributes & kAttrDirectory);
  EXPECT_TRUE(entries.at("aSub").attributes & kAttrDirectory);
  // Names starting with a dot are hidden, as Wine shows them.
  EXPECT_TRUE(entries.at(".hidden").attributes & kAttrHidden);
  EXPECT_NE(entries.at("b.txt").lastWrite.ticks, 0);
}

TEST(DirListing, MatchesTheMaskWithoutRegardToCase) {
  test::TempDir dir;
  for (const char* name : {"one.TXT", "two.txt", "three.zip", "noext"}) test::WriteFile(dir.Path(name), "x");
  const auto texts = List(dir.Root() + "\\*.txt");
  EXPECT_EQ(texts.size(), 2u);
  EXPECT_TRUE(texts.count("one.TXT"));
  const auto zips = List(dir.Root() + "\\*.Z*");
  ASSERT_EQ(zips.size(), 1u);
  EXPECT_TRUE(zips.count("three.zip"));
  // "*.*" takes names without an extension too.
  EXPECT_TRUE(List(dir.Root() + "\\*.*").count("noext"));
}

// A mask that matches nothing is an empty listing; a folder that is not there is a failure.
TEST(DirListing, TellsAFailedListingFromAnEmptyOne) {
  test::TempDir dir;
  DirListing none(dir.Root() + "\\*.zip");
  DirEntry entry;
  EXPECT_FALSE(none.Next(entry));
  EXPECT_EQ(none.Error(), kErrorSuccess);

  DirListing absent(dir.Path("absent") + "\\*.*");
  EXPECT_FALSE(absent.Next(entry));
  EXPECT_EQ(absent.Error(), kErrorPathNotFound);
}

// A folder that links back to its parent is listed as a link, so that no one walks into it.
TEST(DirListing, MarksLinksAsReparsePoints) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("data/real"));
  ASSERT_TRUE(test::MakeFolderLink(dir.Path("data/loop"), dir.Path("data")));
  const auto entries = List(dir.Path("data") + "\\*");
  ASSERT_TRUE(entries.count("loop"));
  EXPECT_EQ(entries.at("loop").attributes & (kAttrReparsePoint | kAttrDirectory), kAttrReparsePoint | kAttrDirectory);
  EXPECT_FALSE(entries.at("real").attributes & kAttrReparsePoint);
  EXPECT_TRUE(FileAttributes(dir.Path("data/loop")) & kAttrReparsePoint);
}

}  // namespace
}  // namespace tavisto::os
