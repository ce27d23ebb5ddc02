// Places the archive's bytes, in one stream or across the volumes of a split archive. Every
// record and every chunk of entry data goes through Place, with a keep-together count saying
// whether the bytes may be cut at a volume's limit; positions are (volume, offset) pairs, so the
// commit can note where an entry starts, patch its header later (in whichever volume holds it)
// and cut the archive back to any earlier point, across volumes too.
//   ArchivePosition header = writer.PlaceWhole(headerBytes);   // never cut
//   writer.Place(data, count, kMayCut);                       // cut anywhere
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip/archive_error.h"
#include "zip/archive_stream.h"
#include "zip/archive_types.h"
#include "zip/spanning.h"

namespace tavisto::zip {

struct ArchivePosition {
  int32_t volume = 0;
  int64_t offset = 0;
};

// keepTogether for bytes that may be cut at a volume limit.
inline constexpr int64_t kMayCut = -1;

// Error 46 for bytes that found no place in the volumes, with the room the drive lacked there.
[[nodiscard]] EArchiveError CannotPlaceError(const std::string& componentName, const std::string& volumePath,
                                             uint64_t missing);

// Creates the file of an archive, or of one of its volumes, for writing (others may read it).
// Without replaceExisting, a file of that name stays as it is and the create fails with error 19
// naming it; any other failure is the file layer's FileCreateError with its cause.
[[nodiscard]] std::unique_ptr<FileStream> CreateArchiveFile(const std::string& path, bool replaceExisting,
                                                            const std::string& componentName);

class VolumeWriter {
 public:
  // What the writer asks its archive while it opens volumes.
  class Host {
   public:
    // volumeNumber counts from 1; the name may be changed. True cancels.
    virtual bool RequestBlankVolume(int32_t volumeNumber, std::string& volumeFileName) = 0;
    virtual bool VolumeDiskFull(int32_t volumeNumber, const std::string& volumeFileName) = 0;
    // The volume's file was just made, empty: a host that accounts for every file it makes
    // records it here.
    virtual void VolumeCreated(int32_t volumeNumber, const std::string& volumeFileName) = 0;
    [[nodiscard]] virtual std::optional<uint64_t> FreeSpaceFor(const std::string& path) = 0;
    [[nodiscard]] virtual const std::string& ComponentName() const = 0;

   protected:
    ~Host() = default;
  };

  // An archive in one stream, owned by the writer or lent by the caller.
  explicit VolumeWriter(std::unique_ptr<ArchiveStream> stream);
  explicit VolumeWriter(ArchiveStream& stream);
  // A split archive: its volumes are named after archivePath; the first one is opened now
  // (error 45 when the host cancels, or the drive has 65536 bytes or less free). Without
  // replaceExisting, a file in the way of a volume or of the archive's own name is never
  // replaced nor deleted: it is error 19, naming it.
  VolumeWriter(Host& host, const std::string& archivePath, const TArcSpanningOptions& options,
               TArcSpanningMode mode, bool replaceExisting = true);
  VolumeWriter(const VolumeWriter&) = delete;
  VolumeWriter& operator=(const VolumeWriter&) = delete;
  ~VolumeWriter();

  [[nodiscard]] bool IsSplit() const { return host_ != nullptr; }
  // Whether a volume is open: none after a volume could not be opened again (removed under the
  // writer, for one).
  [[nodiscard]] bool HasCurrent() const { return current_ != nullptr; }
  // The stream being written; throws FileOpenError, naming the volume, when none is open.
  [[nodiscard]] ArchiveStream& Current();
  // The file of the current volume (empty for a lent stream).
  [[nodiscard]] const std::string& CurrentName() const { return currentName_; }
  [[nodiscard]] ArchivePosition Here() const;

  // Places count bytes where the writer stands; returns how many were placed (fewer when the
  // drive is full). keepTogether is kMayCut, or the number of bytes that must follow these in
  // the same volume: when they do not fit the room left, the volume is closed short and they
  // start the next one. Throws when a fresh volume's limit cannot hold them at all.
  size_t Place(const void* data, size_t count, int64_t keepTogether);
  // Places a record whole in one volume; returns where it starts, or nothing when it could not
  // be placed (the drive is full).
  std::optional<ArchivePosition> PlaceWhole(const std::string& record);
  // Writes bytes where the writer stands, whatever the volume's limit (the end records); throws
  // StreamWriteError when they do not all go in.
  void WriteDirect(const std::string& bytes);
  // Overwrites bytes written earlier (a local header), then returns to where it stood.
  void Patch(ArchivePosition at, const std::string& bytes);
  // Drops everything from position on (deleting the volume files after its volume); the writer
  // then stands there.
  void CutBackTo(ArchivePosition position);
  // Cuts any bytes beyond the current position.
  void CutHere();
  // A split archive's last volume takes the archive's own name (replacing an older file of that
  // name unless told not to). Throws FileCreateError when it cannot, rather than go on with
  // another file of that name; and FileOpenError, naming it, when an earlier volume is no longer
  // what was written (gone, or of another size).
  void Finish();

 private:
  void OpenVolume(int32_t number);
  void OpenExistingVolume(int32_t number);
  // keepBytes: what the stream still buffers goes into the file (a short write throws);
  // otherwise it is dropped (the bytes are being cut off).
  void CloseVolume(bool keepBytes);
  // Throws when a closed volume is gone or its size is not the one it was closed with.
  void CheckClosedVolumes() const;
  [[nodiscard]] int64_t Limit(int32_t number) const;
  // Room on the drive for the current volume's stream (its free space less the bytes the stream
  // still holds), at least up to enough: taken from the last answer while that answer, counted
  // down by what the volume grew since, leaves a wide margin above enough.
  [[nodiscard]] int64_t DriveRoom(int64_t enough, int64_t size);

  std::unique_ptr<ArchiveStream> owned_;
  ArchiveStream* current_ = nullptr;
  std::string currentName_;
  // Split archives only.
  Host* host_ = nullptr;
  std::string archivePath_;
  TArcSpanningOptions options_;
  TArcSpanningMode mode_ = smNone;
  int32_t volume_ = 0;
  bool replaceExisting_ = true;
  std::vector<std::string> names_;  // the file of each volume written, by number
  std::vector<int64_t> sizes_;      // the size of each volume when it was last closed
  // The drive's last answer for the open volume (none when roomFor_ is empty): room then, and
  // the volume's size then.
  std::string roomFor_;
  int64_t roomThen_ = 0;
  int64_t sizeThen_ = 0;
};

}  // namespace tavisto::zip
