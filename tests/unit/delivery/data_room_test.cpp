#include "delivery/data_room.h"

#include <gtest/gtest.h>

#include <tuple>

#include "delivery/volume_set.h"
#include "common/errors.h"
#include "os/files.h"
#include "tests/support/temp_dir.h"
#include "zip/archiver.h"

namespace tavisto::delivery {
namespace {

std::string Noise(size_t size) {
  std::string noise(size, '\0');
  uint32_t state = 11;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  return noise;
}

void MakeData(const test::TempDir& dir, const std::string& content) {
  test::MakeDirectories(dir.Path("Data/sub"));
  test::WriteFile(dir.Path("Data/sub/file.bin"), content);
  test::WriteFile(dir.Path("Data/empty.txt"), "");
  test::MakeDirectories(dir.Path("out"));
}

// Packs dir's Data as Get Data packs a product: fastest deflate, split at volumeSize when given.
void Pack(const test::TempDir& dir, const std::string& name, int64_t volumeSize = 0,
          zip::TArcCompressionLevel level = zip::clFastest) {
  zip::TArchiver archive("ArchivioTest");
  archive.SetFileName(dir.Path("out/" + name));
  archive.SetBaseDir(dir.Path("Data"));
  archive.SetCompressionLevel(level);
  if (volumeSize > 0) {
    archive.SpanningOptions().SetVolumeSize(zip::vsCustom);
    archive.SpanningOptions().SetCustomVolumeSize(volumeSize);
    archive.SetSpanningMode(zip::smSplitting);
  }
  archive.OpenArchive(zip::kCreateMode);
  archive.AddFiles("*.*");
  archive.CloseArchive();
}

uint64_t SizeOf(const std::string& path) {
  const auto state = os::StateOf(path);
  return state ? static_cast<uint64_t>(state->size) : 0;
}

TEST(ArchiveBytes, TheLeastHoldsWhateverTheDataIs) {
  const struct {
    const char* what;
    std::string content;
  } cases[] = {{"zeros", std::string(3 << 20, '\0')}, {"noise", Noise(400000)}, {"empty", ""}};
  for (const auto& c : cases) {
    test::TempDir dir;
    MakeData(dir, c.content);
    const DataSize data = MeasureData(dir.Path("Data"));
    EXPECT_EQ(data.bytes, c.content.size()) << c.what;
    EXPECT_EQ(data.entries, 3u) << c.what;
    EXPECT_EQ(data.nameChars, std::string("sub/sub/file.binempty.txt").size()) << c.what;
    Pack(dir, "whole.zip");
    const uint64_t size = SizeOf(dir.Path("out/whole.zip"));
    EXPECT_LE(LeastArchiveBytes(data), size) << c.what;
  }
}

TEST(StoredArchiveBytes, IsTheSizeOfAnArchiveThatStoresTheFiles) {
  test::TempDir dir;
  MakeData(dir, Noise(70000));
  Pack(dir, "stored.zip", 0, zip::clNone);
  EXPECT_EQ(StoredArchiveBytes({70000, 0, 0}, {"sub/", "sub/file.bin", "empty.txt"}),
            SizeOf(dir.Path("out/stored.zip")));
}

TEST(RoomShortfall, NamesThePlaceWhatIsNeededAndWhatIsFree) {
  const FreeSpaceFunction drives = [](const std::string& folder) -> std::optional<uint64_t> {
    if (folder == "C:\\Temp\\") return 1536;
    if (folder == "D:\\Base\\") return 5u << 20;
    return std::nullopt;  // a drive that cannot tell
  };
  EXPECT_EQ(RoomShortfall({{"Data.zip", "C:\\Temp\\", 1536}, {"the data's archives", "X:\\", 1u << 30}}, drives),
            std::nullopt);
  EXPECT_EQ(RoomShortfall({{"the data's archives", "D:\\Base\\", 5u << 20}, {"Data.zip", "C:\\Temp\\", 3u << 20}},
                          drives),
            "There is not enough space on the disk to write Data.zip in C:\\Temp\\: it needs at least 3.0 MB, and "
            "the disk has 1.5 KB free.");
}

// The copy into the user's file: what keeps it from fitting, known before, and why a write
// failed, in words that name the drive.
TEST(FileRoom, SaysWhyAFileDoesNotFitInWordsThatNameTheDrive) {
  const os::VolumeFacts fat{"E:\\", "FAT32"}, ntfs{"C:\\", "NTFS"};
  constexpr uint64_t k4G = 4ull << 30;
  const struct {
    const char* what;
    uint64_t bytes;
    std::optional<os::VolumeFacts> volume;
    std::optional<uint64_t> free;
    std::optional<std::string> problem;
  } cases[] = {
      {"fits", 3u << 20, ntfs, 5u << 20, std::nullopt},
      {"a drive that cannot tell", 3u << 20, std::nullopt, std::nullopt, std::nullopt},
      {"too little room", 3u << 20, ntfs, 1u << 20, "the disk that holds C:\\ has 1.0 MB free, and 3.0 MB are needed"},
      {"4 GB on FAT32, whatever the room", k4G, fat, k4G * 4, "E:\\ cannot hold a file of 4 GB or more (FAT32)"},
      {"just under 4 GB on FAT32", k4G - 1, fat, k4G, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FileRoomProblem(c.bytes, c.volume, c.free), c.problem);
  }
  EXPECT_EQ(WriteFailureCause(os::kErrorDiskFull, 1u << 20, fat), "the disk that holds E:\\ is full");
  EXPECT_EQ(WriteFailureCause(os::kErrorDiskFull, k4G, fat), "E:\\ cannot hold a file of 4 GB or more (FAT32)");
  EXPECT_EQ(WriteFailureCause(os::kErrorAccessDenied, 1, ntfs), os::ErrorCause(os::kErrorAccessDenied));
}

TEST(ClosedVolumes, AreTheVolumesTheArchiveNamesAndEachChangeIsNamed) {
  test::TempDir dir;
  MakeData(dir, Noise(200000));
  Pack(dir, "MQData.zip", 65536);
  const std::vector<OwnedFile> volumes = ClosedVolumes(dir.Path("out/MQData.zip"), false);
  ASSERT_EQ(volumes.size(), 4u);
  EXPECT_EQ(volumes[0].path, dir.Path("out/MQData.Z01"));
  EXPECT_EQ(volumes[3].path, dir.Path("out/MQData.zip"));
  for (const OwnedFile& volume : volumes) EXPECT_EQ(VolumeProblem(volume), std::nullopt) << volume.path;

  test::WriteFile(volumes[1].path, "shorter");
  EXPECT_EQ(VolumeProblem(volumes[1]), "the volume " + volumes[1].path + " changed after it was written (65536 bytes "
                                                                         "then, 7 now)");
  ASSERT_TRUE(os::RemoveFile(volumes[0].path));
  EXPECT_EQ(VolumeProblem(volumes[0]), "the volume " + volumes[0].path + " is no longer there");
  try {
    (void)ClosedVolumes(dir.Path("out/MQData.zip"), false);
    FAIL() << "a missing volume passed";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "the volume " + volumes[0].path + " is no longer there");
  }
  test::WriteFile(volumes[3].path, "no end record here, nor anywhere");
  EXPECT_THROW((void)ClosedVolumes(dir.Path("out/MQData.zip"), false), Error);
}

}  // namespace
}  // namespace tavisto::delivery
