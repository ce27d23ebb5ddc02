#include "tests/fuzz/harnesses.h"

#include <algorithm>
#include <memory>

#include "intake/received_manifest.h"
#include "intake/stored_names.h"
#include "intake/volume_sets.h"
#include "zip/read/central_directory.h"
#include "zip/read/end_records.h"
#include "zip/read/entry_data.h"
#include "zip/read/oem_names.h"

namespace tavisto::fuzz {
namespace {

using namespace zip::read;

// The most data one input may unpack: enough to reach every check, little enough to stay fast.
constexpr size_t kUnpackBudget = 4 * 1024 * 1024;

void ReadEverything(const PartSet& parts, const EndOfDirectory& end) {
  const CentralDirectory directory = ReadCentralDirectory(parts, end);
  const std::vector<EntryPlace> places = PlaceEntries(parts, directory);
  std::vector<std::string> names;
  size_t budget = kUnpackBudget;
  std::vector<char> buffer(64 * 1024);
  for (size_t i = 0; i < directory.entries.size(); ++i) {
    const EntryRecord& entry = directory.entries[i];
    names.push_back(entry.name);
    (void)intake::CheckStoredName(entry.name);
    (void)intake::Printable(OemNameToUtf8(entry.rawName, OemCodePage::k858));
    if (!places[i].refusal.empty()) continue;
    try {
      EntryDataReader reader(parts, entry, places[i].data);
      while (budget > 0) {
        const size_t got = reader.Read(buffer.data(), std::min(buffer.size(), budget));
        if (got == 0) break;
        budget -= got;
      }
    } catch (const Error&) {
    }
  }
  (void)intake::SortEntries(names);
}

}  // namespace

void FuzzArchive(const uint8_t* data, size_t size) {
  const MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.zip");
  try {
    const EndOfDirectory end = FindEndOfDirectory(source);
    // Parts the end record says came before this one are missing here.
    std::vector<Part> parts(std::min<uint32_t>(end.lastDisk, 1000));
    for (Part& part : parts) part.name = "missing part";
    parts.push_back({"fuzz.zip", &source, 0});
    ReadEverything(PartSet(std::move(parts)), end);
  } catch (const Error&) {
  }
}

void FuzzSplitSet(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const size_t count = 1 + (data[0] & 3);
  const uint8_t missing = data[1];
  size_t at = 2 + 3 * (count - 1);
  if (at > size) return;
  std::vector<std::unique_ptr<MemorySource>> sources;
  std::vector<Part> parts;
  for (size_t i = 0; i < count; ++i) {
    size_t length = size - at;
    if (i + 1 < count) length = std::min<size_t>(length, data[2 + 3 * i] | data[3 + 3 * i] << 8 | data[4 + 3 * i] << 16);
    const std::string name = "part " + std::to_string(i + 1);
    sources.push_back(std::make_unique<MemorySource>(std::string_view(reinterpret_cast<const char*>(data) + at, length), name));
    at += length;
    const bool present = i + 1 == count || !(missing & (1u << i));
    parts.push_back({name, present ? sources.back().get() : nullptr, 0});
  }
  // Bit 2 of byte 0: the first part was packed longer than it is here (cut short on the way).
  if (data[0] & 4) parts[0].expectedSize = sources[0]->Size() + 1000;
  try {
    const EndOfDirectory end = FindEndOfDirectory(*sources.back());
    ReadEverything(PartSet(std::move(parts)), end);
  } catch (const Error&) {
  }
}

std::string SplitSetInput(const std::vector<std::string>& parts, uint8_t missing) {
  std::string input;
  input += static_cast<char>(parts.size() - 1);
  input += static_cast<char>(missing);
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) input += static_cast<char>((parts[i].size() >> shift) & 0xFF);
  }
  for (const std::string& part : parts) input += part;
  return input;
}

void FuzzManifest(const uint8_t* data, size_t size) {
  try {
    (void)intake::ReadManifest(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const intake::ManifestError&) {
  }
}

}  // namespace tavisto::fuzz
