// Placement of the archive's bytes, and the volume files of a split archive.
#include "zip/volume_writer.h"

#include <algorithm>

#include "common/errors.h"
#include "os/files.h"
#include "os/os_error.h"
#include "zip/archive_error.h"

namespace tavisto::zip {
namespace {

// A volume is opened only on a drive with more free space than this.
constexpr uint64_t kMinFreeForVolume = 65536;
// Central records name the volume of a local header in 16 bits.
constexpr int32_t kLastVolumeNumber = 65534;

constexpr char kNameTaken[] = "a file of that name is already there";

}  // namespace

EArchiveError CannotPlaceError(const std::string& componentName, const std::string& volumePath, uint64_t missing) {
  return EArchiveError(kErrorCannotPlace, componentName, {}, NoRoomCause(volumePath, missing));
}

std::unique_ptr<FileStream> CreateArchiveFile(const std::string& path, bool replaceExisting,
                                              const std::string& componentName) {
  auto file = os::File::Open(path, os::Access::ReadWrite, os::kShareRead,
                             replaceExisting ? os::Disposition::CreateAlways : os::Disposition::CreateNew);
  if (file) return FileStream::Over(std::move(*file), path);
  if (!replaceExisting && (file.Error() == os::kErrorFileExists || file.Error() == os::kErrorAlreadyExists))
    throw EArchiveError(kErrorCannotCreateOutput, componentName, {path}, kNameTaken);
  throw FileCreateError(path, os::ErrorText(file.Error()));
}

VolumeWriter::VolumeWriter(std::unique_ptr<ArchiveStream> stream)
    : owned_(std::move(stream)), current_(owned_.get()) {
  if (auto* file = dynamic_cast<FileStream*>(current_)) currentName_ = file->Path();
}

VolumeWriter::VolumeWriter(ArchiveStream& stream) : current_(&stream) {}

VolumeWriter::VolumeWriter(Host& host, const std::string& archivePath, const TArcSpanningOptions& options,
                           TArcSpanningMode mode, bool replaceExisting)
    : host_(&host), archivePath_(archivePath), options_(options), mode_(mode), replaceExisting_(replaceExisting) {
  OpenVolume(0);
}

VolumeWriter::~VolumeWriter() = default;

ArchiveStream& VolumeWriter::Current() {
  if (!current_) throw FileOpenError(currentName_, "the volume could not be opened again");
  return *current_;
}

ArchivePosition VolumeWriter::Here() const { return {volume_, current_ ? current_->Position() : 0}; }

int64_t VolumeWriter::Limit(int32_t number) const {
  TArcVolumeNumberInfo volume;
  volume.SetNumber(number);
  return options_.GetVolumeSize(volume);
}

void VolumeWriter::CloseVolume(bool keepBytes) {
  // The writer has no volume open from here on, whatever the closing says.
  std::unique_ptr<ArchiveStream> closing = std::move(owned_);
  current_ = nullptr;
  roomFor_.clear();  // the drive is asked afresh for the next volume
  auto* file = dynamic_cast<FileStream*>(closing.get());
  if (!file) return;
  if (!keepBytes) {
    file->Discard();
    return;
  }
  const int64_t size = file->Size();
  file->Close();
  if (IsSplit()) sizes_.at(static_cast<size_t>(volume_)) = size;
}

void VolumeWriter::OpenVolume(int32_t number) {
  if (number > kLastVolumeNumber)
    throw Error(host_->ComponentName() + ": A split archive cannot have more than 65535 volumes");
  CloseVolume(true);
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
  owned_ = CreateArchiveFile(name, replaceExisting_, host_->ComponentName());
  current_ = owned_.get();
  currentName_ = name;
  volume_ = number;
  names_.resize(static_cast<size_t>(number) + 1);
  sizes_.resize(names_.size());
  names_[static_cast<size_t>(number)] = name;
  host_->VolumeCreated(number + 1, name);
}

void VolumeWriter::OpenExistingVolume(int32_t number) {
  CloseVolume(false);
  const std::string& name = names_.at(static_cast<size_t>(number));
  currentName_ = name;
  volume_ = number;
  owned_ = FileStream::OpenExisting(name, os::kShareRead);
  current_ = owned_.get();
}

size_t VolumeWriter::Place(const void* data, size_t count, int64_t keepTogether) {
  if (!IsSplit()) return Current().Write(data, count);
  const char* bytes = static_cast<const char*>(data);
  const bool whole = keepTogether != kMayCut;
  size_t placed = 0;
  while (placed < count) {
    const int64_t remaining = static_cast<int64_t>(count - placed);
    const int64_t limit = Limit(volume_);
    const int64_t size = Current().Size();
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
        const size_t written = Current().Write(bytes + placed, n);
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
              static_cast<int64_t>(Current().PendingBytes());
  sizeThen_ = size;
  return roomThen_;
}

std::optional<ArchivePosition> VolumeWriter::PlaceWhole(const std::string& record) {
  if (Place(record.data(), record.size(), 0) != record.size()) return std::nullopt;
  // Kept together, so it lies wholly in the volume the writer now stands in.
  const ArchivePosition after = Here();
  return ArchivePosition{after.volume, after.offset - static_cast<int64_t>(record.size())};
}

void VolumeWriter::WriteDirect(const std::string& bytes) { Current().WriteAll(bytes.data(), bytes.size()); }

void VolumeWriter::Patch(ArchivePosition at, const std::string& bytes) {
  if (at.volume == volume_) {
    const int64_t here = Current().Position();
    Current().Seek(at.offset);
    Current().WriteAll(bytes.data(), bytes.size());
    Current().Seek(here);
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
    CloseVolume(false);
    // The volumes after it were written by this archive alone: they go.
    for (size_t i = static_cast<size_t>(position.volume) + 1; i < names_.size(); ++i)
      if (!names_[i].empty()) (void)os::RemoveFile(names_[i]);
    names_.resize(static_cast<size_t>(position.volume) + 1);
    sizes_.resize(names_.size());
    OpenExistingVolume(position.volume);
  }
  Current().Seek(position.offset);
  Current().Truncate();
}

void VolumeWriter::CutHere() { Current().Truncate(); }

void VolumeWriter::CheckClosedVolumes() const {
  for (int32_t i = 0; i < volume_; ++i) {
    const std::string& name = names_[static_cast<size_t>(i)];
    auto file = os::File::Open(name, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
    if (!file) throw FileOpenError(name, "a volume written earlier is gone: " + os::ErrorText(file.Error()));
    const int64_t size = file->Size().value_or(-1);
    if (size != sizes_[static_cast<size_t>(i)])
      throw FileOpenError(name, "a volume written earlier has changed: " + std::to_string(size) + " bytes instead of " +
                                    std::to_string(sizes_[static_cast<size_t>(i)]));
  }
}

void VolumeWriter::Finish() {
  if (!IsSplit()) return;
  // An archive whose earlier volumes are not all there as written cannot be read: a failure
  // now, not a set that only the reader finds broken.
  CheckClosedVolumes();
  if (currentName_ == archivePath_) return;
  const int64_t end = Current().Position();
  CloseVolume(true);
  uint32_t error = os::kErrorSuccess;  // why the old file could not be deleted
  if (replaceExisting_ && os::FileExists(archivePath_) && !os::RemoveFile(archivePath_)) error = os::LastErrorCode();
  // Should a file of that name stay (another program holding it, or one the writer must not
  // replace), going on would take that file for the last volume: that is a failure, not a detail.
  if (!os::RenameFile(names_.at(static_cast<size_t>(volume_)), archivePath_)) {
    if (error == os::kErrorSuccess) error = os::LastErrorCode();
    OpenExistingVolume(volume_);
    Current().Seek(end);
    if (!replaceExisting_ && (error == os::kErrorFileExists || error == os::kErrorAlreadyExists))
      throw EArchiveError(kErrorCannotCreateOutput, host_->ComponentName(), {archivePath_}, kNameTaken);
    throw FileCreateError(archivePath_, os::ErrorText(error));
  }
  names_[static_cast<size_t>(volume_)] = archivePath_;
  currentName_ = archivePath_;
  owned_ = FileStream::OpenExisting(archivePath_, os::kShareRead | os::kShareWrite);
  current_ = owned_.get();
  current_->Seek(end);
}

}  // namespace tavisto::zip
