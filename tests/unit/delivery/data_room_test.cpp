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
