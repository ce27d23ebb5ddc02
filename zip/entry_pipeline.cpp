// Chunked compression of one entry.
#include "zip/entry_pipeline.h"

#include <algorithm>

#include "zip/archive_error.h"
#include "zip/records.h"

namespace tavisto::zip {
namespace {

// A 32 KiB window, without the zlib wrapper (negative window bits): raw deflate.
constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;

// Room for one deflate call over n bytes: n + n/10 + 12, rounded up to a multiple of 256.
size_t OutputCapacity(size_t n) { return (n + n / 10 + 12 + 255) / 256 * 256; }

}  // namespace

size_t ChunkSize(uint8_t compressionMode) {
  if (compressionMode == 0) return 0x100000;
  if (compressionMode <= 3) return 0x80000;
  if (compressionMode <= 6) return 0x100000;
  return 0x180000;
}

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  const auto* bytes = static_cast<const Bytef*>(data);
  // zlib takes 32-bit lengths on every platform.
  while (size > 0) {
    const uInt part = static_cast<uInt>(std::min<size_t>(size, 0x40000000));
    crc = static_cast<uint32_t>(crc32(crc, bytes, part));
    bytes += part;
    size -= part;
  }
  return crc;
}

EntryPipeline::~EntryPipeline() { Release(); }

void EntryPipeline::Release() {
  if (streamReady_) deflateEnd(&stream_);
  streamReady_ = false;
  level_ = -1;
  std::vector<unsigned char>().swap(input_);
  std::vector<unsigned char>().swap(output_);
  sha_.reset();
  shaOpen_ = false;
}

bool EntryPipeline::StartDeflate(int level) {
  started_ = false;
  finished_ = false;
  if (streamReady_ && level == level_) return deflateReset(&stream_) == Z_OK;
  if (streamReady_) deflateEnd(&stream_);
  stream_ = z_stream{};
  streamReady_ = deflateInit2(&stream_, level, Z_DEFLATED, kRawWindowBits, kMemoryLevel,
                              Z_DEFAULT_STRATEGY) == Z_OK;
  level_ = streamReady_ ? level : -1;
  return streamReady_;
}

EntryResult EntryPipeline::CompressEntryData(os::File& source, uint64_t size, uint8_t compressionMode,
                                             uint16_t method, Host& host, bool digest) {
  EntryResult result;
  result.method = method;
  const bool deflating = method == kMethodDeflated;
  started_ = false;
  finished_ = false;
  const size_t chunkSize = ChunkSize(compressionMode);

  if (deflating && !StartDeflate(compressionMode)) {
    // zlib could not start: release it; an error from the release too is the caller's.
    const bool releaseFailed = streamReady_ && deflateEnd(&stream_) < 0;
    streamReady_ = false;
    Release();
    if (releaseFailed) throw ECompressionError();
    result.sourceSize = size;
    return result;
  }

  if (digest) {
    // A digest an error left half-fed cannot be emptied: it is made anew.
    if (shaOpen_) sha_.reset();
    if (!sha_) sha_ = std::make_unique<os::Sha256>();
    shaOpen_ = true;
  }

  uint32_t crc = 0;
  bool zlibFailed = false;
  bool cutShort = false;  // the source ended before the size it had
  while (result.consumed < size) {
    if (!host.ChunkProgress(result.consumed, size)) {
      result.cancelled = true;
      break;
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(chunkSize, size - result.consumed));
    if (input_.size() < n) input_.resize(n);
    const auto got = source.Read(input_.data(), n);
    if (!got || *got < n) {
      cutShort = true;
      break;
    }
    crc = Crc32(crc, input_.data(), n);
    if (digest) sha_->Update(input_.data(), n);

    const bool last = result.consumed + n == size;
    const unsigned char* out = input_.data();
    size_t count = n;
    if (deflating) {
      const size_t capacity = OutputCapacity(n);
      if (output_.size() < capacity) output_.resize(capacity);
      stream_.next_in = input_.data();
      stream_.avail_in = static_cast<uInt>(n);
      stream_.next_out = output_.data();
      stream_.avail_out = static_cast<uInt>(output_.size());
      const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
      started_ = true;
      int status = deflate(&stream_, flush);
      // The capacity is meant to take every call whole; should zlib still want room, give it.
      while (status == Z_OK && stream_.avail_out == 0) {
        const size_t used = output_.size();
        output_.resize(used * 2);
        stream_.next_out = output_.data() + used;
        stream_.avail_out = static_cast<uInt>(output_.size() - used);
        status = deflate(&stream_, flush);
      }
      if (status < 0) {
        zlibFailed = true;
        break;
      }
      if (last) finished_ = true;
      count = output_.size() - stream_.avail_out;
      out = output_.data();
    }
    result.consumed += n;
    if (!host.WriteChunk(out, count)) {
      result.consumed -= n;
      result.cancelled = true;
      break;
    }
    result.produced += count;
    // A file still growing after its last chunk went in is taken as it was then: the deflate
    // stream is finished and cannot take more.
    if (finished_) break;
    size = static_cast<uint64_t>(source.Size().value_or(static_cast<int64_t>(size)));
  }

  if (zlibFailed) {
    // Release the stream; if zlib reports an error for that too, it propagates, otherwise the
    // entry simply ends short.
    const bool releaseFailed = deflateEnd(&stream_) < 0;
    streamReady_ = false;
    Release();
    if (releaseFailed) throw ECompressionError();
  }
  // A deflate stream that data went into and that was never finished means the source ended
  // before it was read whole (cut short while it was read, as when a program rotates its log):
  // the entry's data is incomplete, its failure to report, not zlib's. The kept stream is reset
  // for the next entry.
  if (deflating && started_ && !finished_ && !result.cancelled && !zlibFailed) cutShort = true;

  result.sourceSize = finished_ ? result.consumed : size;
  result.complete = !cutShort && result.consumed == result.sourceSize;
  result.crc = crc;
  if (result.complete && result.sourceSize == 0) result.method = kMethodStored;
  if (digest && sha_) {  // (a zlib failure released it with the stream)
    // Finishing also starts the digest afresh for the next entry.
    const os::Sha256Digest sha = sha_->Finish();
    shaOpen_ = false;
    if (result.complete) result.sha256 = sha;
  }
  return result;
}

}  // namespace tavisto::zip
