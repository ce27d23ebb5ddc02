// Opening a received Data.zip as the faces do: a file dropped on the program opened into a folder
// made new beside it (never one already there, and none left when nothing was opened, a stop
// included), and /open's folder that is the Data.zip itself refused.
#include "jobs/open_job.h"

#include <gtest/gtest.h>

#include "os/files.h"
#include "tests/support/data_zip_maker.h"
#include "tests/support/temp_dir.h"

namespace tavisto::jobs {
namespace {

class Lines final : public report::LineSink {
 public:
  void Add(const std::string&) override {}
};

// Asks for a stop once some files have been given their names.
class StopAfterFiles final : public os::ProgressSink {
 public:
  explicit StopAfterFiles(int files) : left_(files) {}
  void BeginStage(const std::string&) override {}
  void Describe(const std::string&) override {}
  void Advance(double, const std::string&) override { --left_; }
  [[nodiscard]] bool StopRequested() override { return left_ <= 0; }

 private:
  int left_;
};

// dir/in/Data.zip of one product with enough files that a stop lands among them.
std::string SampleDataZip(const test::TempDir& dir) {
  for (int i = 0; i < 3; ++i) test::MakeDirectories(dir.Path("src/logs " + std::to_string(i)));
  for (int i = 0; i < 12; ++i)
    test::WriteFile(dir.Path("src/logs " + std::to_string(i % 3) + "/file" + std::to_string(i) + ".txt"),
                    std::string(1000 + i, static_cast<char>('a' + i)));
  test::MakeDirectories(dir.Path("in"));
  return test::MakeDataZip(dir.Path("in"), {{lookups::SiblingProduct::Zorvel, dir.Path("src")}});
}

TEST(OpenJob, BesideFolderNames) {
  EXPECT_EQ(BesideFolderName("Data.zip", 1), "Data (opened)");
  EXPECT_EQ(BesideFolderName("Data.ZIP", 2), "Data (opened 2)");
  EXPECT_EQ(BesideFolderName("Case 4711.Data.zip", 1), "Case 4711.Data (opened)");
  EXPECT_EQ(BesideFolderName("Data", 1), "Data (opened)");
  EXPECT_EQ(BesideFolderName(".zip", 1), ".zip (opened)");
}

TEST(OpenJob, BesideTakesTheFirstNameFreeAndLeavesNoFolderWhenNothingIsOpened) {
  test::TempDir dir;
  const std::string dataZip = SampleDataZip(dir);
  Lines lines;
  os::NoProgress progress;
  // Taken names are passed over, a file of that name as much as a folder; neither is touched.
  test::MakeDirectories(dir.Path("in/Data (opened)"));
  test::WriteFile(dir.Path("in/Data (opened)/mine.txt"), "the user's");
  test::WriteFile(dir.Path("in/Data (opened 2)"), "a file");
  const BesideOutcome opened = OpenBeside(dataZip, lines, progress);
  EXPECT_EQ(opened.opened.exitCode, intake::kExitAsPacked) << opened.opened.summary;
  EXPECT_EQ(opened.folder, dir.Path("in/Data (opened 3)"));
  EXPECT_TRUE(os::FileExists(dir.Path("in/Data (opened 3)/Zorvel/logs 2/file11.txt")));
  EXPECT_NE(opened.opened.summary.find("Data (opened 3)"), std::string::npos) << opened.opened.summary;
  EXPECT_EQ(test::ReadFile(dir.Path("in/Data (opened)/mine.txt")), "the user's");
  EXPECT_EQ(test::ReadFile(dir.Path("in/Data (opened 2)")), "a file");

  struct Case {
    const char* what;
    std::string given;
    int files;  // a stop once this many files are named; -1 for none
    int exitCode;
    const char* says;
  };
  test::WriteFile(dir.Path("in/Notes.zip"), "no archive at all");
  const Case cases[] = {
      {"a folder", dir.Path("in"), -1, intake::kExitNothingOpened, " is a folder, not a Data.zip"},
      {"a missing file", dir.Path("in/Gone.zip"), -1, intake::kExitNothingOpened, "Gone.zip cannot be opened ("},
      {"no ZIP", dir.Path("in/Notes.zip"), -1, intake::kExitNothingOpened, "Notes.zip"},
      {"stopped among the files", dataZip, 3, intake::kExitNothingOpened, "the open was stopped"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StopAfterFiles stop(c.files < 0 ? 1 << 30 : c.files);
    const BesideOutcome done = OpenBeside(c.given, lines, stop);
    EXPECT_EQ(done.opened.exitCode, c.exitCode);
    EXPECT_NE(done.opened.summary.find(c.says), std::string::npos) << done.opened.summary;
    EXPECT_EQ(done.folder, "");
    // Whatever the open had written is gone with the folder made for it.
    EXPECT_EQ(os::FileAttributes(dir.Path("in/Notes (opened)")), os::kInvalidAttributes);
    EXPECT_EQ(os::FileAttributes(dir.Path("in/Data (opened 4)")), os::kInvalidAttributes);
  }
}

TEST(OpenJob, AFolderThatIsTheDataZipItselfIsRefused) {
  test::TempDir dir;
  const std::string dataZip = SampleDataZip(dir);
  Lines lines;
  os::NoProgress progress;
  const intake::OpenOutcome done = OpenReceived({dataZip, dir.Path("in/../in/Data.zip")}, lines, progress);
  EXPECT_EQ(done.exitCode, intake::kExitUsage);
  EXPECT_NE(done.summary.find("is the Data.zip itself"), std::string::npos) << done.summary;
  EXPECT_EQ(test::ReadFile(dataZip).substr(0, 2), "PK");
}

}  // namespace
}  // namespace tavisto::jobs
