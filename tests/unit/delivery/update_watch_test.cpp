#include "delivery/update_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "common/errors.h"
#include "os/files.h"
#include "os/os_error.h"
#include "zip/archive_error.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

// A drive whose free space the test decides.
class SmallDriveArchiver : public zip::TArchiver {
 public:
  using zip::TArchiver::TArchiver;
  std::function<uint64_t(const std::string&)> freeSpace = [](const std::string&) { return uint64_t{1} << 40; };

 protected:
  std::optional<uint64_t> FreeSpace(const std::string& path) override { return freeSpace(path); }
};

void SplitInto(SmallDriveArchiver& archive, const test::TempDir& dir) {
  archive.SetFileName(dir.Path("out/MQData.zip"));
  archive.SetBaseDir(dir.Path("Data"));
  archive.SpanningOptions().SetVolumeSize(zip::vsCustom);
  archive.SpanningOptions().SetCustomVolumeSize(65536);
  archive.SetSpanningMode(zip::smSplitting);
}

// Adds every file as Get Data does, the unattended answers given to what cannot be read.
void Watched(zip::TBaseArchiver& archive, os::ProgressSink& progress) {
  UnattendedAsker asker;
  UpdateWatch watch(archive, progress, asker, "packing the data");
  watch.AddFiles("*.*");
}

void MakeData(const test::TempDir& dir) {
  test::MakeDirectories(dir.Path("Data"));
  test::MakeDirectories(dir.Path("out"));
  std::string noise(300000, '\0');
  uint32_t state = 7;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  test::WriteFile(dir.Path("Data/capture.bin"), noise);
}

TEST(UpdateWatch, AFullDiskIsAnErrorNamingTheFile) {
  test::TempDir dir;
  MakeData(dir);
  SmallDriveArchiver archive("ArchivioMQ");
  os::NoProgress progress;
  SplitInto(archive, dir);
  // Room for the first volume only.
  archive.freeSpace = [](const std::string& path) {
    return path.find(".Z01") != std::string::npos ? uint64_t{1} << 30 : uint64_t{4096};
  };
  bool ownHandlerCalled = false;
  archive.OnDiskFull = [&](zip::TBaseArchiver&, int32_t, const std::string&, bool&) { ownHandlerCalled = true; };
  archive.OpenArchive(zip::kCreateMode);
  try {
    Watched(archive, progress);
    FAIL() << "a full disk passed for success";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "There is not enough space on the disk to write " + dir.Path("out/MQData.Z02"));
  }
  archive.CloseArchive();
  EXPECT_FALSE(ownHandlerCalled);
  // The caller's own handler is back in place.
  bool cancel = false;
  archive.OnDiskFull(archive, 1, "x", cancel);
  EXPECT_TRUE(ownHandlerCalled);
}

TEST(UpdateWatch, WithRoomEnoughTheFilesGoIn) {
  test::TempDir dir;
  MakeData(dir);
  SmallDriveArchiver archive("ArchivioMQ");
  os::NoProgress progress;
  SplitInto(archive, dir);
  archive.OpenArchive(zip::kCreateMode);
  Watched(archive, progress);
  EXPECT_EQ(archive.EntryCount(), 1);
  archive.CloseArchive();
  EXPECT_TRUE(os::FileExists(dir.Path("out/MQData.Z01")));
  EXPECT_TRUE(os::FileExists(dir.Path("out/MQData.zip")));
}

// Stops when asked for the n-th time; records what it was told.
class StopAfter final : public os::ProgressSink {
 public:
  explicit StopAfter(int asks) : left_(asks) {}
  void BeginStage(const std::string&) override {}
  void Describe(const std::string&) override {}
  void Advance(double fraction, const std::string& item) override {
    EXPECT_GE(fraction, last);
    last = fraction;
    if (!item.empty()) items.push_back(item);
  }
  bool StopRequested() override { return --left_ <= 0; }
  double last = 0;
  std::vector<std::string> items;

 private:
  int left_;
};

TEST(UpdateWatch, AStopDuringTheScanOrTheCommitIsCancelledAndRolledBack) {
  test::TempDir dir;
  MakeData(dir);
  test::WriteFile(dir.Path("Data/small.txt"), "small");
  for (int asks : {1, 3, 6}) {
    SmallDriveArchiver archive("ArchivioMQ");
    archive.SetFileName(dir.Path("out/plain.zip"));
    archive.SetBaseDir(dir.Path("Data"));
    StopAfter progress(asks);
    archive.OpenArchive(zip::kCreateMode);
    EXPECT_THROW(Watched(archive, progress), os::Cancelled) << asks;
    EXPECT_EQ(archive.EntryCount(), 0) << asks;
    EXPECT_FALSE(progress.items.empty()) << asks;
    archive.CloseArchive();
  }
  // Asked often enough to see each file go by, and never asked to stop: both go in.
  SmallDriveArchiver archive("ArchivioMQ");
  archive.SetFileName(dir.Path("out/plain.zip"));
  archive.SetBaseDir(dir.Path("Data"));
  StopAfter progress(1000000);
  archive.OpenArchive(zip::kCreateMode);
  Watched(archive, progress);
  EXPECT_EQ(archive.EntryCount(), 2);
  EXPECT_EQ(progress.last, 1.0);
  archive.CloseArchive();
}

// Answers Abort, as a user may.
class AbortAsker final : public Asker {
 public:
  zip::FailureAction AnswerFileProblem(const FileProblem&) override { return zip::FailureAction::Abort; }
  std::string LeftOutAnswer(const zip::LeftOutFile&) const override { return "Ignore was chosen"; }
  bool MailLargeDataZip(int64_t) override { return true; }
};

TEST(UpdateWatch, AbortToAFileIsAFailureThatNamesItAndAHandlersCauseComesFirst) {
  test::TempDir dir;
  MakeData(dir);
  zip::TArchiver archive("ArchivioMQ");
  archive.SetFileName(dir.Path("out/plain.zip"));
  archive.SetBaseDir(dir.Path("Data"));
  // The file is gone by the time it is read.
  archive.OnStoreFile = [&](zip::TBaseArchiver&, std::string&, uint32_t&, std::string&, const std::string& path) {
    EXPECT_TRUE(os::RemoveFile(path));
  };
  os::NoProgress progress;
  AbortAsker asker;
  archive.OpenArchive(zip::kCreateMode);
  for (const bool noted : {false, true}) {
    UpdateWatch watch(archive, progress, asker, "packing the data");
    if (noted) watch.Note("the volume X cannot be read");
    MakeData(dir);
    try {
      watch.AddFiles("*.*");
      FAIL() << "an update that was aborted passed for success";
    } catch (const GetDataStopped& error) {
      EXPECT_EQ(std::string(error.what()), noted ? "Get Data was stopped: the volume X cannot be read."
                                                 : "Get Data was stopped while packing the data: " +
                                                       dir.Path("Data/capture.bin") +
                                                       " could not be packed and Abort was chosen.");
    }
    EXPECT_EQ(archive.EntryCount(), 0);
  }
  archive.CloseArchive();
}

TEST(UnattendedAsker, TriesAHeldFileAgainForAWhileAndLeavesOutTheRestAtOnce) {
  using namespace std::chrono_literals;
  auto now = std::chrono::steady_clock::time_point{};
  int pauses = 0;
  UnattendedAsker asker([&] { return now; }, [&](std::chrono::milliseconds pause) {
    now += pause;
    ++pauses;
  });
  const FileProblem held{"C:\\Data\\db.lock", 33, os::kErrorSharingViolation, "held"};
  int retries = 0;
  while (asker.AnswerFileProblem(held) == zip::FailureAction::Retry) ++retries;
  EXPECT_EQ(retries, UnattendedAsker::kRetryFor / UnattendedAsker::kRetryPause);
  EXPECT_EQ(pauses, retries);
  // Each file has its own time; what is not held is left out at once; a cancelled volume stops.
  EXPECT_EQ(asker.AnswerFileProblem({"C:\\Data\\other.lock", 33, os::kErrorLockViolation, "held"}),
            zip::FailureAction::Retry);
  EXPECT_EQ(asker.AnswerFileProblem({"C:\\Data\\gone.txt", 33, os::kErrorFileNotFound, "gone"}),
            zip::FailureAction::Skip);
  EXPECT_EQ(asker.AnswerFileProblem({"C:\\x.Z02", zip::kErrorVolumeCancelled, 0, "cancelled"}),
            zip::FailureAction::Abort);
  zip::LeftOutFile file{"C:\\Data\\db.lock", "held", zip::LeftOutKind::File, 33, os::kErrorSharingViolation};
  EXPECT_EQ(asker.LeftOutAnswer(file), "tried again for 5 seconds, then left out by the unattended run");
  file.kind = zip::LeftOutKind::Link;
  EXPECT_EQ(asker.LeftOutAnswer(file), "");
  EXPECT_FALSE(asker.MailLargeDataZip(1));
}

}  // namespace
}  // namespace tavisto::delivery
