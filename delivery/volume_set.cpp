#include "delivery/volume_set.h"

#include "common/errors.h"
#include "os/files.h"
#include "zip/records.h"
#include "zip/spanning.h"

namespace tavisto::delivery {
namespace {

Error Unreadable(const std::string& path, const std::string& why) {
  return Error("the volume " + path + " cannot be read (" + why + ")");
}

// The number of the last volume, from the end record that closes it (the archive has no comment).
int32_t LastVolumeNumber(const std::string& path) {
  auto file = os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
  if (!file) throw Error("the volume " + path + " is no longer there");
  const int64_t size = file->Size().value_or(0);
  std::string record(zip::kEndRecordSize, '\0');
  if (size < static_cast<int64_t>(record.size()) || !file->Seek(size - static_cast<int64_t>(record.size())) ||
      file->Read(record.data(), record.size()).value_or(0) != record.size())
    throw Unreadable(path, "it is too short");
  const auto end = zip::ReadEndRecord(record);
  if (!end) throw Unreadable(path, "it does not end an archive");
  return end->thisDisk;
}

}  // namespace

std::vector<OwnedFile> ClosedVolumes(const std::string& archivePath, bool advancedNaming) {
  const int32_t last = LastVolumeNumber(archivePath);
  std::vector<OwnedFile> volumes;
  for (int32_t index = 0; index <= last; ++index) {
    const std::string path = index == last ? archivePath : zip::VolumeFileName(archivePath, index, advancedNaming);
    const auto state = os::StateOf(path);
    if (!state) throw Error("the volume " + path + " is no longer there");
    volumes.push_back(OwnedFile{path, *state});
  }
  return volumes;
}

std::optional<std::string> VolumeProblem(const OwnedFile& volume) {
  const auto now = os::StateOf(volume.path);
  if (!now) return "the volume " + volume.path + " is no longer there";
  if (now->identity != volume.state.identity) return "the volume " + volume.path + " was replaced by another file";
  if (now->size != volume.state.size)
    return "the volume " + volume.path + " changed after it was written (" + std::to_string(volume.state.size) +
           " bytes then, " + std::to_string(now->size) + " now)";
  if (now->lastWrite != volume.state.lastWrite) return "the volume " + volume.path + " changed after it was written";
  return std::nullopt;
}

}  // namespace tavisto::delivery
