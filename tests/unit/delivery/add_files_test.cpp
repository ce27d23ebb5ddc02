#include "delivery/add_files.h"

#include <gtest/gtest.h>

#include <functional>

#include "os/errors.h"
#include "os/files.h"
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

void MakeData(const test::TempDir& dir) {
  test::MakeDirectories(dir.Path("Data"));
  test::MakeDirectories(dir.Path("out"));
  std::string noise(300000, '\0');
  uint32_t state = 7;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  test::WriteFile(dir.Path("Data/capture.bin"), noise);
}

TEST(AddFilesWatched, AFullDiskIsAnErrorNamingTheFile) {
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
    AddFilesWatched(archive, "*.*", "packing the data", progress);
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

TEST(AddFilesWatched, WithRoomEnoughTheFilesGoIn) {
  test::TempDir dir;
  MakeData(dir);
  SmallDriveArchiver archive("ArchivioMQ");
  os::NoProgress progress;
  SplitInto(archive, dir);
  archive.OpenArchive(zip::kCreateMode);
  AddFilesWatched(archive, "*.*", "packing the data", progress);
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

TEST(AddFilesWatched, AStopDuringTheScanOrTheCommitIsCancelledAndRolledBack) {
  test::TempDir dir;
  MakeData(dir);
  test::WriteFile(dir.Path("Data/small.txt"), "small");
  for (int asks : {1, 3, 6}) {
    SmallDriveArchiver archive("ArchivioMQ");
    archive.SetFileName(dir.Path("out/plain.zip"));
    archive.SetBaseDir(dir.Path("Data"));
    StopAfter progress(asks);
    archive.OpenArchive(zip::kCreateMode);
    EXPECT_THROW(AddFilesWatched(archive, "*.*", "packing the data", progress), os::Cancelled) << asks;
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
  AddFilesWatched(archive, "*.*", "packing the data", progress);
  EXPECT_EQ(archive.EntryCount(), 2);
  EXPECT_EQ(progress.last, 1.0);
  archive.CloseArchive();
}

}  // namespace
}  // namespace tavisto::delivery
