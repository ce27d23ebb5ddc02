// The data of one entry: the source is read in chunks (their size set by the compression mode),
// each chunk goes into the CRC-32 and then either through one deflate call (Z_SYNC_FLUSH, or
// Z_FINISH for the last chunk) or is copied as it is, and the output goes to the host. Entries
// hold raw deflate data: what a zlib stream (level = compression mode, window bits 15, memory
// level 8) holds between its 2-byte header and its Adler-32 trailer. zlib makes that raw stream
// itself (window bits -15), which gives the same bytes without computing an Adler-32 only to
// cut it off. One zlib stream serves the whole archive and is reset between entries: a fresh
// stream per entry would allocate its 256 KiB of state for every small file. When asked, each
// chunk also goes into a SHA-256 of the entry's data, as it is read: no file is read twice.
//   EntryResult result = pipeline.CompressEntryData(source, size, mode, kMethodDeflated, host);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <zlib.h>

#include "os/files.h"
#include "os/sha256.h"

namespace tavisto::zip {

// Chunk size by compression mode: 1 MiB stored, 512 KiB for modes 1-3, 1 MiB for 4-6,
// 1.5 MiB for 7-9.
[[nodiscard]] size_t ChunkSize(uint8_t compressionMode);

// The ZIP CRC-32 (reflected polynomial 0xEDB88320), continued from crc over the bytes; start
// with 0. zlib computes the same value, faster than a byte-wise table.
[[nodiscard]] uint32_t Crc32(uint32_t crc, const void* data, size_t size);

struct EntryResult {
  bool complete = false;     // the whole source went in
  bool cancelled = false;    // the host stopped it (progress cancel, refused write)
  uint32_t crc = 0;
  uint64_t consumed = 0;     // source bytes read and processed
  uint64_t produced = 0;     // bytes handed to the host
  uint64_t sourceSize = 0;   // the source's size when the data ended
  uint16_t method = 0;       // stored for an empty source
  std::optional<os::Sha256Digest> sha256;  // of the bytes consumed, when asked and complete
};

class EntryPipeline {
 public:
  class Host {
   public:
    // Before each chunk; consumed so far of this entry. False stops the entry (cancel).
    virtual bool ChunkProgress(uint64_t consumed, uint64_t size) = 0;
    // Puts out a chunk of entry data; false when it could not and the entry must stop.
    virtual bool WriteChunk(const unsigned char* data, size_t count) = 0;

   protected:
    ~Host() = default;
  };

  EntryPipeline() = default;
  EntryPipeline(const EntryPipeline&) = delete;
  EntryPipeline& operator=(const EntryPipeline&) = delete;
  ~EntryPipeline();

  // Reads the source from where it stands (its start: it has just been opened); size is its
  // size as just read, read again after each chunk. A source that shrank while it was read gives
  // an incomplete result. Throws ECompressionError when zlib fails and cannot even be released
  // cleanly, os::DigestError when the system's SHA-256 fails. digest: the result carries the
  // SHA-256 of the data (a complete entry's).
  EntryResult CompressEntryData(os::File& source, uint64_t size, uint8_t compressionMode, uint16_t method,
                                Host& host, bool digest = false);

  // Frees the zlib stream and the buffers (they are kept between entries of one commit).
  void Release();

 private:
  // Ready for a new entry at this level: the kept stream reset, or a new one.
  [[nodiscard]] bool StartDeflate(int level);

  z_stream stream_{};
  bool streamReady_ = false;
  int level_ = -1;
  bool started_ = false;   // the current entry has had a deflate call
  bool finished_ = false;  // ... and its Z_FINISH
  std::vector<unsigned char> input_;
  std::vector<unsigned char> output_;
  // Made on the first entry that asks for it and kept, like the zlib stream.
  std::unique_ptr<os::Sha256> sha_;
  bool shaOpen_ = false;  // an entry's bytes went in and it was not finished (an error left it)
};

}  // namespace tavisto::zip
