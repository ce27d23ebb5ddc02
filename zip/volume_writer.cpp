// Placement of the archive's bytes.
#include "zip/volume_writer.h"

#include "os/errors.h"

namespace tavisto::zip {

VolumeWriter::VolumeWriter(std::unique_ptr<ArchiveStream> stream)
    : owned_(std::move(stream)), current_(owned_.get()) {}

VolumeWriter::VolumeWriter(ArchiveStream& stream) : current_(&stream) {}

ArchivePosition VolumeWriter::Here() const { return {0, current_->Position()}; }

size_t VolumeWriter::Place(const void* data, size_t count, int64_t /*keepTogether*/) {
  return current_->Write(data, count);
}

void VolumeWriter::WriteDirect(const std::string& bytes) { current_->WriteAll(bytes.data(), bytes.size()); }

void VolumeWriter::Patch(ArchivePosition at, const std::string& bytes) {
  const int64_t here = current_->Position();
  current_->Seek(at.offset);
  current_->WriteAll(bytes.data(), bytes.size());
  current_->Seek(here);
}

void VolumeWriter::CutBackTo(ArchivePosition position) {
  current_->Seek(position.offset);
  current_->Truncate();
}

void VolumeWriter::CutHere() { current_->Truncate(); }

}  // namespace tavisto::zip
