// Places the archive's bytes. Every record and every chunk of entry data goes through Place, with
// a keep-together count saying whether the bytes may be cut; positions are (volume, offset)
// pairs, so the commit can note where an entry starts, patch its header later and cut the archive
// back to any earlier point. An archive that is not split is one stream, volume 0.
//   ArchivePosition header = writer.Here();
//   writer.Place(headerBytes.data(), headerBytes.size(), 0);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "zip/archive_stream.h"

namespace tavisto::zip {

struct ArchivePosition {
  int32_t volume = 0;
  int64_t offset = 0;
};

// keepTogether for bytes that may be cut at a volume limit.
inline constexpr int64_t kMayCut = -1;

class VolumeWriter {
 public:
  // An archive in one stream, owned by the writer or lent by the caller.
  explicit VolumeWriter(std::unique_ptr<ArchiveStream> stream);
  explicit VolumeWriter(ArchiveStream& stream);

  [[nodiscard]] ArchiveStream& Current() { return *current_; }
  [[nodiscard]] ArchivePosition Here() const;

  // Places count bytes at the current position; returns how many were placed (fewer when the
  // disk is full). keepTogether is kMayCut, or the number of bytes that must follow these in the
  // same volume.
  size_t Place(const void* data, size_t count, int64_t keepTogether);
  // Writes bytes where the writer stands, whatever the volume's limit (the end records); throws
  // StreamWriteError when they do not all go in.
  void WriteDirect(const std::string& bytes);
  // Overwrites bytes written earlier (a local header), then returns to where it stood.
  void Patch(ArchivePosition at, const std::string& bytes);
  // Drops everything from position on; the writer then stands there.
  void CutBackTo(ArchivePosition position);
  // Cuts any bytes beyond the current position.
  void CutHere();

 private:
  std::unique_ptr<ArchiveStream> owned_;
  ArchiveStream* current_;
};

}  // namespace tavisto::zip
