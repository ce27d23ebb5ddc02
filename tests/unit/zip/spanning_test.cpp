// Volume settings: size limits, the description of a volume, and volume file names.
#include "zip/spanning.h"

#include <gtest/gtest.h>

#include "zip/archiver.h"
#include "zip/path_rules.h"

namespace tavisto::zip {
namespace {

TArcVolumeNumberInfo Volume(int32_t number) {
  TArcVolumeNumberInfo volume;
  volume.SetNumber(number);
  return volume;
}

TEST(SpanningOptions, CustomSizeHasAFloorAndFirstSizeIsTakenAsItIs) {
  TArcSpanningOptions options;
  options.SetCustomVolumeSize(1000);
  EXPECT_EQ(options.CustomVolumeSize(), 65536);
  options.SetCustomVolumeSize(65535);
  EXPECT_EQ(options.CustomVolumeSize(), 65536);
  options.SetCustomVolumeSize(4097152);
  EXPECT_EQ(options.CustomVolumeSize(), 4097152);
  options.SetFirstVolumeSize(10);
  EXPECT_EQ(options.FirstVolumeSize(), 10);
  options.SetVolumeSize(vsCustom);
  EXPECT_EQ(options.GetVolumeSize(Volume(0)), 10) << "the first volume has its own size";
  EXPECT_EQ(options.GetVolumeSize(Volume(1)), 4097152);
  options.SetFirstVolumeSize(0);
  EXPECT_EQ(options.GetVolumeSize(Volume(0)), 4097152);
  const TArcSpanningOptions copy = options;
  EXPECT_EQ(copy.GetVolumeSize(Volume(7)), 4097152);
  EXPECT_EQ(copy.VolumeSize(), vsCustom);
}

TEST(SpanningOptions, FixedVolumeSizes) {
  const std::pair<TArcVolumeSize, int64_t> sizes[] = {
      {vsAutoDetect, -1},     {vs1_44MB, 1457664},    {vs100MB, 104857600},  {vs200MB, 209715200},
      {vs250MB, 262144000},   {vs600MB, 629145600},   {vs650MB, 681574400},  {vs700MB, 734003200},
      {vs4700MB, 4928307200LL}};
  TArcSpanningOptions options;
  for (const auto& [size, bytes] : sizes) {
    options.SetVolumeSize(size);
    EXPECT_EQ(options.GetVolumeSize(Volume(2)), bytes) << int(size);
  }
}

TEST(VolumeNumberInfo, KindsAndComparisons) {
  TArcVolumeNumberInfo volume;
  EXPECT_EQ(volume.Kind(), VolumeKind::Unknown);
  EXPECT_EQ(volume.VolumeNumber(), -1);
  EXPECT_EQ(volume.LastVolumeNumber(), -1);
  volume.SetFirst();
  EXPECT_TRUE(volume.IsFirst());
  EXPECT_EQ(volume.Kind(), VolumeKind::First);
  volume.SetNumber(3);
  EXPECT_FALSE(volume.IsFirst());
  EXPECT_FALSE(volume.IsLast()) << "last volume unknown: only the kind says last";
  volume.SetLastVolumeNumber(3);
  EXPECT_TRUE(volume.IsLast());
  TArcVolumeNumberInfo last;
  last.SetLastVolumeNumber(5);
  last.SetLast();
  EXPECT_EQ(last.VolumeNumber(), 5);
  EXPECT_EQ(last.Kind(), VolumeKind::Last);
  EXPECT_FALSE(last.SameVolume(Volume(4)));
  EXPECT_TRUE(last.SameVolume(Volume(5)));
  TArcVolumeNumberInfo unknownA, unknownB;
  EXPECT_TRUE(unknownA.SameVolume(unknownB));
  unknownA.Reset();
  EXPECT_FALSE(unknownA.SameVolume(Volume(0)));
}

TEST(VolumeFileName, NumberedAndAdvancedNames) {
  const auto n = [](const std::string& path) { return NativeSeparators(path); };
  const std::string zorvel = n("C:\\Products\\ZorvelData.zip");
  EXPECT_EQ(VolumeFileName(zorvel, 0, false), n("C:\\Products\\ZorvelData.Z01"));
  EXPECT_EQ(VolumeFileName(zorvel, 1, false), n("C:\\Products\\ZorvelData.Z02"));
  EXPECT_EQ(VolumeFileName(zorvel, 98, false), n("C:\\Products\\ZorvelData.Z99"));
  EXPECT_EQ(VolumeFileName(zorvel, 99, false), n("C:\\Products\\ZorvelData.Z100"));
  EXPECT_EQ(VolumeFileName(zorvel, -1, false), zorvel);
  const std::string voyra = n("C:\\Products\\VYData.zip");
  EXPECT_EQ(VolumeFileName(voyra, 0, true), n("C:\\Products\\VYData_001.zip"));
  EXPECT_EQ(VolumeFileName(voyra, 998, true), n("C:\\Products\\VYData_999.zip"));
  EXPECT_EQ(VolumeFileName(voyra, 999, true), n("C:\\Products\\VYData_1000.zip"));
  EXPECT_EQ(VolumeFileName(voyra, -1, true), voyra);
  EXPECT_EQ(VolumeFileName("name", 0, false), "name.Z01");
  EXPECT_EQ(VolumeFileName("name", 0, true), "name_001");
  EXPECT_EQ(VolumeFileName(n("C:\\v2.0\\name"), 0, false), n("C:\\v2.0\\name.Z01")) << "a dot in a folder";

  TArchiver archive("ArchivioVY");
  EXPECT_EQ(archive.GetVolumeFileName(voyra, 1), n("C:\\Products\\VYData.Z02"));
  archive.SpanningOptions().SetAdvancedNaming(true);
  EXPECT_EQ(archive.GetVolumeFileName(voyra, 1), n("C:\\Products\\VYData_002.zip"));
}

}  // namespace
}  // namespace tavisto::zip
