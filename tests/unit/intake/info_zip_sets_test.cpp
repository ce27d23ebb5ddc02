// Split sets Info-ZIP's zip writes (its split marker at the start, its own record layout, Zip64
// for a streamed entry), made here by the zip program and opened inside a Data.zip.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/unit/intake/open_test_util.h"

namespace tavisto::intake {
namespace {

TEST(InfoZipSets, SplitAndStreamedSetsOpenToTheirFiles) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("src/logs"));
  std::string noise(150000, '\0');
  unsigned seed = 9;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  test::WriteFile(dir.Path("src/logs/noise.bin"), noise);
  test::WriteFile(dir.Path("src/notes.txt"), "notes");
  // -s 64k: parts of 64 KiB; the piped entry is streamed, so zip gives it Zip64 and a data descriptor.
  const std::string command = "cd '" + dir.Path("src") + "' && zip -q -r -s 64k ../PYData.zip logs notes.txt && "
                              "printf streamed | zip -q ../MQData.zip -";
  ASSERT_EQ(std::system(command.c_str()), 0) << command << " (is Info-ZIP's zip installed?)";
  std::vector<std::pair<std::string, std::string>> entries;
  for (const char* part : {"PYData.z01", "PYData.z02", "PYData.zip", "MQData.zip"})
    entries.emplace_back(part, test::ReadFile(dir.Path(part)));
  const testing::Opened opened = testing::OpenInto(dir, testing::DataZipOf(dir, entries));
  EXPECT_EQ(opened.outcome.exitCode, kExitProblems) << opened.verification;  // no manifest
  EXPECT_EQ(testing::TreeOf(opened.folder + "/Pylvex"),
            (std::map<std::string, std::string>{{"logs/noise.bin", noise}, {"notes.txt", "notes"}}));
  EXPECT_EQ(testing::TreeOf(opened.folder + "/MultiQrx"), (std::map<std::string, std::string>{{"-", "streamed"}}));
  EXPECT_EQ(opened.verification.find("could not"), std::string::npos) << opened.verification;
}

}  // namespace
}  // namespace tavisto::intake
