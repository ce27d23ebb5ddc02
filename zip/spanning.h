// Volume settings of a split archive: the size limits (TArcSpanningOptions), the description of
// one volume (TArcVolumeNumberInfo), and the names volumes are written under.
//   VolumeFileName("C:\\P\\ZorvelData.zip", 0, false) == "C:\\P\\ZorvelData.Z01"
//   VolumeFileName("C:\\P\\VYData.zip", 1, true) == "C:\\P\\VYData_002.zip"
#pragma once

#include <cstdint>
#include <string>

#include "zip/archive_types.h"

namespace tavisto::zip {

// The smallest custom volume size the options keep.
inline constexpr int64_t kMinCustomVolumeSize = 65536;
// "No size limit" (vsAutoDetect): only the drive's free space limits a volume.
inline constexpr int64_t kNoVolumeLimit = -1;

// The byte size of a fixed volume size (vsCustom and vsAutoDetect have none: kNoVolumeLimit).
[[nodiscard]] int64_t FixedVolumeSize(TArcVolumeSize size);

enum class VolumeKind : uint8_t { First = 0, Last = 1, Numbered = 2, Unknown = 3 };

class TArcVolumeNumberInfo {
 public:
  TArcVolumeNumberInfo() { Reset(); }

  void Reset();
  void SetFirst();
  void SetLast();
  void SetNumber(int32_t number);

  [[nodiscard]] bool IsFirst() const { return volumeNumber_ == 0; }
  [[nodiscard]] bool IsLast() const;
  [[nodiscard]] bool SameVolume(const TArcVolumeNumberInfo& other) const;

  [[nodiscard]] VolumeKind Kind() const { return kind_; }
  [[nodiscard]] int32_t VolumeNumber() const { return volumeNumber_; }
  [[nodiscard]] int32_t LastVolumeNumber() const { return lastVolumeNumber_; }
  void SetLastVolumeNumber(int32_t number) { lastVolumeNumber_ = number; }

 private:
  VolumeKind kind_ = VolumeKind::Unknown;
  int32_t volumeNumber_ = -1;
  int32_t lastVolumeNumber_ = -1;
};

class TArcSpanningOptions {
 public:
  [[nodiscard]] bool AdvancedNaming() const { return advancedNaming_; }
  void SetAdvancedNaming(bool value) { advancedNaming_ = value; }
  [[nodiscard]] int64_t FirstVolumeSize() const { return firstVolumeSize_; }
  void SetFirstVolumeSize(int64_t value) { firstVolumeSize_ = value; }
  [[nodiscard]] TArcVolumeSize VolumeSize() const { return volumeSize_; }
  void SetVolumeSize(TArcVolumeSize value) { volumeSize_ = value; }
  [[nodiscard]] int64_t CustomVolumeSize() const { return customVolumeSize_; }
  // Values below 65536 are raised to 65536.
  void SetCustomVolumeSize(int64_t value);

  // The size limit of a volume (kNoVolumeLimit for none): FirstVolumeSize for the first volume
  // when it is set, else the size VolumeSize stands for.
  [[nodiscard]] int64_t GetVolumeSize(const TArcVolumeNumberInfo& volume) const;

 private:
  bool advancedNaming_ = false;
  int64_t firstVolumeSize_ = 0;
  TArcVolumeSize volumeSize_ = vsAutoDetect;
  int64_t customVolumeSize_ = 0;
};

// The file name of volume index (0-based) of a split archive: folder + base + ".Z" + at least two
// digits of index + 1, or with advanced naming folder + base + "_" + at least three digits +
// extension. Index -1, the last volume, is the archive's own path.
[[nodiscard]] std::string VolumeFileName(const std::string& path, int32_t index, bool advancedNaming);

}  // namespace tavisto::zip
