// Data.zip's top-level entries sorted into what they are: the volume sets (each a last part,
// "ZorvelData.zip", with its numbered parts ".z01", ".z02" ... or "_001.zip" ..., in any case),
// manifest.json, and the rest. Names are only compared here, case ignored, as Windows compares
// them.
//   const DataZipLayout layout = SortEntries(names);
//   for (const VolumeSet& set : layout.sets) ... PartName(set, 1) == "ZorvelData.z02"
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavisto::intake {

struct VolumeSet {
  std::string base;              // "ZorvelData"
  size_t last = 0;               // the entry of its last part, "ZorvelData.zip"
  std::map<uint32_t, size_t> numbered;  // part number (1 for ".z01") -> entry
  bool advancedNaming = false;   // its parts are "_001.zip" ...
  bool upperZ = false;           // its parts are ".Z01" ...
};

struct DataZipLayout {
  std::vector<VolumeSet> sets;
  std::optional<size_t> manifest;
  std::vector<size_t> others;  // entries that are neither: unpacked as they are
};

// names: the entries of Data.zip, in directory order.
[[nodiscard]] DataZipLayout SortEntries(const std::vector<std::string>& names);

// The name of part index (0-based) of a set, as its numbered parts are named.
[[nodiscard]] std::string PartName(const VolumeSet& set, uint32_t index);

// The folder a set's files go to: the product's name when the set is one Get Data writes
// ("QrxData.zip" -> "Quorix"), else the set's name without "Data" and its extension.
[[nodiscard]] std::string ProductFolderName(const std::string& lastPartName, const std::string& base);

}  // namespace tavisto::intake
