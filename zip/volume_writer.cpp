// Placement of the archive's bytes, and the volume files of a split archive.
#include "zip/volume_writer.h"

#include <algorithm>

#include "os/errors.h"
#include "os/files.h"
#include "zip/archive_error.h"

namespace tavisto::zip {
namespace {

// A volume is opened only on a drive with more free space than this.
constexpr uint64_t kMinFreeForVolume = 65536;
// Central records name the volume of a local header in 16 bits.
constexpr int32_t kLastVolumeNumber = 65534;

}  // namespace

VolumeWriter::VolumeWriter(std::unique_ptr<ArchiveStream> stream)
    : owned_(std::move(stream)), current_(owned_.get()) {
  if (auto* file = dynamic_cast<FileStream*>(current_)) currentName_ = file->Path();
}

VolumeWriter::VolumeWriter(ArchiveStream& stream) : current_(&stream) {}

VolumeWriter::VolumeWriter(Host& host, const std::string& archivePath, const TArcSpanningOptions& options,
                           TArcSpanningMode mode)
    : host_(&host), archivePath_(archivePath), options_(options), mode_(mode) {
  OpenVolume(0);
}

VolumeWriter::~VolumeWriter() = default;

ArchivePosition VolumeWriter::Here() const { return {volume_, current_ ? current_->Position() : 0}; }

int64_t VolumeWriter::Limit(int32_t number) const {
  TArcVolumeNumberInfo volume;
  volume.SetNumber(number);
  return options_.GetVolumeSize(volume);
}

void VolumeWriter::CloseVolume() {
  if (auto* file = dynamic_cast<FileStream*>(current_)) file->Close();
  owned_.reset();
  current_ = nullptr;
  roomFor_.clear();  // the drive is asked afresh for the next volume
}

void VolumeWriter::OpenVolume(int32_t number) {
  if (number > kLastVolumeNumber)
    throw Error(host_->ComponentName() + ": A split archive cannot have more than 65535 volumes");
  CloseVolume();
  const int64_t limit = Limit(number);
  std::string name;
  bool cancelled = false;
  for (;;) {
    name = VolumeFileName(archivePath_, number, options_.AdvancedNaming());
    if (host_->RequestBlankVolume(number + 1, name)) {
      cancelled = true;
      break;
    }
    // A drive the system cannot report on is tried; the writes will tell.
    const uint64_t free = host_->FreeSpaceFor(name).value_or(UINT64_MAX);
    if (free > kMinFreeForVolume && (limit <= 0 || mode_ != smSpanning || free >= uint64_t(limit))) break;
    if (host_->VolumeDiskFull(number + 1, name)) {
      cancelled = true;
      break;
    }
  }
  if (cancelled) throw EArchiveError(kErrorVolumeCancelled, host_->ComponentName());
  owned_ = FileStream::Create(name);
  current_ = owned_.get();
  currentName_ = name;
  volume_ = number;
  names_.resize(static_cast<size_t>(number) + 1);
  names_[static_cast<size_t>(number)] = name;
}

void VolumeWriter::OpenExistingVolume(int32_t number) {
  CloseVolume();
  const std::string& name = names_.at(static_cast<size_t>(number));
  owned_ = FileStream::OpenExisting(name, os::kShareRead);
  current_ = owned_.get();
  currentName_ = name;
  volume_ = number;
}

size_t VolumeWriter::Place(const void* data, size_t count, int64_t keepTogether) {
  if (!IsSplit()) return current_->Write(data, count);
  const char* bytes = static_cast<const char*>(data);
  const bool whole = keepTogether != kMayCut;
  size_t placed = 0;
  while (placed < count) {
    const int64_t remaining = static_cast<int64_t>(count - placed);
    const int64_t limit = Limit(volume_);
    const int64_t size = current_->Size();
    // What must start a fresh volume does not fit its limit: every later volume has the same
    // limit, so going on would only make empty volumes without end.
    const int64_t needed = whole ? keepTogether + remaining : 1;
    if (size == 0 && limit != kNoVolumeLimit && needed > limit)
      throw Error(host_->ComponentName() + ": The volume size limit of " + std::to_string(limit) +
                  " bytes cannot hold a record of " + std::to_string(needed) + " bytes");
    // Room: what the drive has (less what the stream holds and has not written yet), and what
    // the volume's limit leaves. The drive decides nothing when it has room for all this step
    // could place.
    const int64_t room = limit != kNoVolumeLimit ? limit - size : INT64_MAX;
    int64_t free = std::min(DriveRoom(std::min(room, (whole ? keepTogether : 0) + remaining), size), room);
    if (free < 0) return placed;
    if (!whole || keepTogether + remaining <= free) {
      const size_t n = static_cast<size_t>(std::min(free, remaining));
      if (n > 0) {
        const size_t written = current_->Write(bytes + placed, n);
        placed += written;
        if (written < n) return placed;  // the drive filled up
      }
    }
    if (placed < count) OpenVolume(volume_ + 1);
  }
  return placed;
}

int64_t VolumeWriter::DriveRoom(int64_t enough, int64_t size) {
  // Asking the system for every record and chunk is slow under some systems (a path lookup each
  // time). Between answers the volume's growth is counted off; the margin covers what the count
  // cannot see (allocation in blocks, other programs), and near the edge the drive is asked
  // each time, as the decision then depends on it.
  constexpr int64_t kMargin = int64_t{16} << 20;
  // A volume cut back gave room back; counting only growth errs on the safe side.
  const int64_t estimate = roomThen_ - std::max<int64_t>(size - sizeThen_, 0);
  if (roomFor_ == currentName_ && estimate - kMargin >= enough) return estimate;
  const uint64_t driveFree = host_->FreeSpaceFor(currentName_).value_or(uint64_t(INT64_MAX));
  roomFor_ = currentName_;
  roomThen_ = static_cast<int64_t>(std::min<uint64_t>(driveFree, uint64_t(INT64_MAX))) -
              static_cast<int64_t>(current_->PendingBytes());
  sizeThen_ = size;
  return roomThen_;
}

std::optional<ArchivePosition> VolumeWriter::PlaceWhole(const std::string& record) {
  if (Place(record.data(), record.size(), 0) != record.size()) return std::nullopt;
  // Kept together, so it lies wholly in the volume the writer now stands in.
  const ArchivePosition after = Here();
  return ArchivePosition{after.volume, after.offset - static_cast<int64_t>(record.size())};
}

void VolumeWriter::WriteDirect(const std::string& bytes) { current_->WriteAll(bytes.data(), bytes.size()); }

void VolumeWriter::Patch(ArchivePosition at, const std::string& bytes) {
  if (at.volume == volume_) {
    const int64_t here = current_->Position();
    current_->Seek(at.offset);
    current_->WriteAll(bytes.data(), bytes.size());
    current_->Seek(here);
    return;
  }
  // A header in a volume closed since: patched in its file.
  auto file = FileStream::OpenExisting(names_.at(static_cast<size_t>(at.volume)), os::kShareRead);
  file->Seek(at.offset);
  file->WriteAll(bytes.data(), bytes.size());
  file->Close();
}

void VolumeWriter::CutBackTo(ArchivePosition position) {
  if (IsSplit() && (position.volume != volume_ || current_ == nullptr)) {
    CloseVolume();
    // The volumes after it were written by this archive alone: they go.
    for (size_t i = static_cast<size_t>(position.volume) + 1; i < names_.size(); ++i)
      if (!names_[i].empty()) (void)os::RemoveFile(names_[i]);
    names_.resize(static_cast<size_t>(position.volume) + 1);
    OpenExistingVolume(position.volume);
  }
  current_->Seek(position.offset);
  current_->Truncate();
}

void VolumeWriter::CutHere() { current_->Truncate(); }

void VolumeWriter::Finish() {
  if (!IsSplit() || currentName_ == archivePath_) return;
  const int64_t end = current_->Position();
  CloseVolume();
  if (os::FileExists(archivePath_)) (void)os::RemoveFile(archivePath_);
  // Should the old file stay (another program holding it), going on would take that file for
  // the last volume: that is a failure, not a detail.
  if (!os::RenameFile(names_.at(static_cast<size_t>(volume_)), archivePath_)) {
    OpenExistingVolume(volume_);
    current_->Seek(end);
    throw FileCreateError(archivePath_);
  }
  names_[static_cast<size_t>(volume_)] = archivePath_;
  owned_ = FileStream::OpenExisting(archivePath_, os::kShareRead | os::kShareWrite);
  current_ = owned_.get();
  currentName_ = archivePath_;
  current_->Seek(end);
}

}  // namespace tavisto::zip
