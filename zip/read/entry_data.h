// An entry's data, from where its local header says it starts to the last byte its record
// declares, read through one checking reader: stored bytes copied, deflated ones inflated
// (zlib), the CRC-32 and the size checked as they stream. More bytes than declared stop the
// read at once (nothing past the declared size is ever handed out); fewer, a broken deflate
// stream or a CRC that differs fail it at the end. Before any of that, PlaceEntries reads every
// local header and refuses what cannot be read honestly: an entry that overlaps another or the
// directory, an unknown method, encryption, a size its compressed data cannot give.
//   std::vector<EntryPlace> places = PlaceEntries(parts, directory);
//   EntryDataReader data(parts, directory.entries[i], places[i].data);
//   while (size_t got = data.Read(buffer, sizeof buffer)) sink(buffer, got);  // FormatError: why
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/read/central_directory.h"
#include "zip/read/part_set.h"

namespace tavisto::zip::read {

struct EntryPlace {
  Location data;        // the first byte of the entry's data
  std::string refusal;  // why the entry cannot be unpacked, in words; "" when it can be read
};

// Where each entry's data lies (in directory order), each checked as above.
[[nodiscard]] std::vector<EntryPlace> PlaceEntries(const PartSet& parts, const CentralDirectory& directory);

class EntryDataReader {
 public:
  // For an entry PlaceEntries did not refuse.
  EntryDataReader(const PartSet& parts, const EntryRecord& entry, Location data);
  EntryDataReader(const EntryDataReader&) = delete;
  EntryDataReader& operator=(const EntryDataReader&) = delete;
  ~EntryDataReader();

  // Up to capacity bytes of the data as unpacked; 0 once every byte is read and checked.
  // FormatError saying what is wrong with the data; ReadError when the system refuses a read.
  [[nodiscard]] size_t Read(char* out, size_t capacity);
  // The CRC-32 of what was handed out so far.
  [[nodiscard]] uint32_t Crc() const { return crc_; }

 private:
  void Refill();
  void Finish();

  const PartSet& parts_;
  const EntryRecord& entry_;
  Location at_;
  uint64_t packedLeft_;  // compressed bytes not yet read
  uint64_t left_;        // bytes still to hand out, as declared
  uint32_t crc_ = 0;
  bool done_ = false;
  std::string input_;
  struct Inflater;
  std::unique_ptr<Inflater> inflater_;  // for a deflated entry
};

}  // namespace tavisto::zip::read
