// Volume sizes and names.
#include "zip/spanning.h"

#include <cstdio>

#include "zip/path_rules.h"

namespace tavisto::zip {

int64_t FixedVolumeSize(TArcVolumeSize size) {
  switch (size) {
    case vsAutoDetect:
    case vsCustom: return kNoVolumeLimit;
    case vs1_44MB: return 1457664;
    case vs100MB: return 104857600;
    case vs200MB: return 209715200;
    case vs250MB: return 262144000;
    case vs600MB: return 629145600;
    case vs650MB: return 681574400;
    case vs700MB: return 734003200;
    case vs4700MB: return 4928307200LL;
  }
  return kNoVolumeLimit;
}

void TArcVolumeNumberInfo::Reset() {
  kind_ = VolumeKind::Unknown;
  volumeNumber_ = -1;
  lastVolumeNumber_ = -1;
}

void TArcVolumeNumberInfo::SetFirst() {
  volumeNumber_ = 0;
  kind_ = VolumeKind::First;
}

void TArcVolumeNumberInfo::SetLast() {
  volumeNumber_ = lastVolumeNumber_;
  kind_ = VolumeKind::Last;
}

void TArcVolumeNumberInfo::SetNumber(int32_t number) {
  volumeNumber_ = number;
  kind_ = VolumeKind::Numbered;
}

bool TArcVolumeNumberInfo::IsLast() const {
  if (lastVolumeNumber_ == -1) return kind_ == VolumeKind::Last;
  return volumeNumber_ == lastVolumeNumber_;
}

bool TArcVolumeNumberInfo::SameVolume(const TArcVolumeNumberInfo& other) const {
  if (IsLast() && other.IsLast()) return true;
  if (IsFirst() && other.IsFirst()) return true;
  if (volumeNumber_ < 0) return kind_ == other.kind_;
  return volumeNumber_ == other.volumeNumber_;
}

void TArcSpanningOptions::SetCustomVolumeSize(int64_t value) {
  customVolumeSize_ = value < kMinCustomVolumeSize ? kMinCustomVolumeSize : value;
}

int64_t TArcSpanningOptions::GetVolumeSize(const TArcVolumeNumberInfo& volume) const {
  if (volume.IsFirst() && firstVolumeSize_ > 0) return firstVolumeSize_;
  return volumeSize_ == vsCustom ? customVolumeSize_ : FixedVolumeSize(volumeSize_);
}

std::string VolumeFileName(const std::string& path, int32_t index, bool advancedNaming) {
  if (index < 0) return path;
  const std::string folder = FolderPart(path);
  const std::string name = NamePart(path);
  const size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  const std::string base = name.substr(0, name.size() - extension.size());
  char number[16];
  if (advancedNaming) {
    std::snprintf(number, sizeof number, "_%.3u", static_cast<unsigned>(index) + 1);
    return folder + base + number + extension;
  }
  std::snprintf(number, sizeof number, ".Z%.2d", index + 1);
  return folder + base + number;
}

}  // namespace tavisto::zip
