// The floor Get Data is measured against: a plain single-threaded program that reads every file
// of a tree and deflates it with zlib as the archive writer does (level 1, raw deflate, chunks
// of 524288 bytes with a sync flush between them, CRC-32), writing the output to one file, with
// no archive format, no volumes and no events.
//   zlib_floor TREE OUT
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "os/dir_listing.h"
#include "os/files.h"

namespace {

using namespace tavisto;

constexpr size_t kChunk = 524288;

struct Floor {
  os::File out;
  std::vector<unsigned char> input = std::vector<unsigned char>(kChunk);
  std::vector<unsigned char> output = std::vector<unsigned char>(kChunk + kChunk / 10 + 1024);
  z_stream stream{};
  int files = 0;

  bool Pack(const std::string& path) {
    auto source = os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
    if (!source) return false;
    deflateReset(&stream);
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
      const auto got = source->Read(input.data(), input.size());
      if (!got) return false;
      crc = crc32(crc, input.data(), static_cast<uInt>(*got));
      const bool last = *got < input.size();
      stream.next_in = input.data();
      stream.avail_in = static_cast<uInt>(*got);
      stream.next_out = output.data();
      stream.avail_out = static_cast<uInt>(output.size());
      if (deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH) < 0) return false;
      const size_t produced = output.size() - stream.avail_out;
      if (out.Write(output.data(), produced).value_or(0) != produced) return false;
      if (last) break;
    }
    ++files;
    return out.Write(&crc, sizeof crc).value_or(0) == sizeof crc;
  }

  bool Walk(const std::string& folder) {
    std::vector<std::string> folders;
    os::DirListing listing(folder + os::PathSeparator() + "*");
    for (os::DirEntry entry; listing.Next(entry);) {
      if (entry.name == "." || entry.name == "..") continue;
      const std::string path = folder + os::PathSeparator() + entry.name;
      if (entry.attributes & os::kAttrDirectory) folders.push_back(path);
      else if (!Pack(path)) return false;
    }
    for (const std::string& each : folders)
      if (!Walk(each)) return false;
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zlib_floor TREE OUT\n");
    return 2;
  }
  Floor floor;
  auto out = os::File::Open(argv[2], os::Access::Write, os::kShareRead, os::Disposition::CreateAlways);
  if (!out || deflateInit2(&floor.stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return 1;
  floor.out = std::move(*out);
  const bool ok = floor.Walk(argv[1]);
  deflateEnd(&floor.stream);
  std::printf("%d files\n", floor.files);
  return ok ? 0 : 1;
}
