// Opening a received Data.zip as the faces do: a file dropped on the program opened into a folder
// made new beside it, none left when nothing was opened (a stop included), and /open's folder
// that is the Data.zip itself refused.
#include "jobs/open_job.h"

#include <gtest/gtest.h>

#include "os/files.h"
#include "tests/support/data_zip_maker.h"
#include "tests/support/temp_dir.h"

namespace tavisto::jobs {
namespace {

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

TEST(OpenJob, BesideInAFolderMadeNewAndNoneLeftWhenNothingIsOpened) {
  test::TempDir dir;
  for (int i = 0; i < 12; ++i) {
    test::MakeDirectories(dir.Path("src/logs " + std::to_string(i % 3)));
    test::WriteFile(dir.Path("src/logs " + std::to_string(i % 3) + "/" + std::to_string(i) + ".txt"),
                    std::string(999, 'a'));
  }
  test::MakeDirectories(dir.Path("in/Data (opened)"));
  const std::string dataZip = test::MakeDataZip(dir.Path("in"), {{lookups::SiblingProduct::Zorvel, dir.Path("src")}});
  test::WriteFile(dir.Path("in/Data (opened)/mine.txt"), "the user's");
  test::WriteFile(dir.Path("in/Notes.zip"), "no archive at all");
  report::LineList lines;
  StopAfterFiles never(1 << 30);

  // A folder of that name is passed over, and what it holds left alone.
  const BesideOutcome opened = OpenBeside(dataZip, lines, never);
  EXPECT_EQ(opened.opened.exitCode, intake::kExitAsPacked) << opened.opened.summary;
  EXPECT_EQ(opened.folder, dir.Path("in/Data (opened 2)"));
  EXPECT_TRUE(os::FileExists(dir.Path("in/Data (opened 2)/Zorvel/logs 2/11.txt")));
  EXPECT_EQ(test::ReadFile(dir.Path("in/Data (opened)/mine.txt")), "the user's");

  // Stopped among the files, or no ZIP: what the open wrote goes, and the folder made for it.
  StopAfterFiles stop(3);
  const std::pair<std::string, const char*> cases[] = {{dataZip, "the open was stopped"},
                                                       {dir.Path("in/Notes.zip"), "is not a ZIP"}};
  for (const auto& [given, says] : cases) {
    const BesideOutcome done = OpenBeside(given, lines, given == dataZip ? stop : never);
    EXPECT_EQ(done.opened.exitCode, intake::kExitNothingOpened);
    EXPECT_NE(done.opened.summary.find(says), std::string::npos) << done.opened.summary;
    EXPECT_EQ(os::FileAttributes(dir.Path("in/Data (opened 3)")), os::kInvalidAttributes);
    EXPECT_EQ(os::FileAttributes(dir.Path("in/Notes (opened)")), os::kInvalidAttributes);
  }

  const intake::OpenOutcome refused = OpenReceived({dataZip, dir.Path("in/../in/Data.zip")}, lines, never);
  EXPECT_EQ(refused.exitCode, intake::kExitUsage);
  EXPECT_NE(refused.summary.find("is the Data.zip itself"), std::string::npos) << refused.summary;
}

}  // namespace
}  // namespace tavisto::jobs
